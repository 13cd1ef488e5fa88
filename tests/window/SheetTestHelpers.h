#pragma once

#include "window/dialogs/NumberFieldSheet.h"

#include "QtWait.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace velmaris::test {

// A shown stand-in for the document window the sheets open on.
inline std::unique_ptr<QWidget> shownWindow()
{
    auto window = std::make_unique<QWidget>();
    window->resize(600, 400);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
}

inline void typeInto(QLineEdit* field, const QString& text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

// Clicks `title` and waits until the sheet has gone.
inline void press(NumberFieldSheet* sheet, const QString& title)
{
    QPointer<NumberFieldSheet> guard(sheet);
    QPushButton* button = sheet->button(title);
    ASSERT_TRUE(button) << title.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return guard.isNull(); }));
}

inline QStringList labelTexts(const QWidget* sheet)
{
    QStringList texts;
    for (const QLabel* label : sheet->findChildren<QLabel*>())
        texts.append(label->text());
    return texts;
}

// The sheet open on `window`, if any.
inline NumberFieldSheet* openSheet(const QWidget* window)
{
    return window->findChild<NumberFieldSheet*>();
}

}  // namespace velmaris::test
