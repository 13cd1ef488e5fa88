#include "window/Sidebar.h"

#include "document/CommandEnabling.h"
#include "document/ImageDocument.h"
#include "render/FilterCatalogue.h"
#include "window/SidebarActionButton.h"
#include "window/SidebarSection.h"
#include "window/TextStyleControls.h"

#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace velmaris {

namespace {

constexpr int kLayersPanelHeight = 240;
constexpr int kHistoryPanelHeight = 170;
constexpr int kButtonSpacing = 2;

QWidget* fixedHeight(QWidget* panel, int height)
{
    if (!panel)
        panel = new QWidget;
    panel->setFixedHeight(height);
    return panel;
}

QWidget* buttonColumn(const QVector<SidebarActionButton*>& buttons)
{
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kButtonSpacing);
    for (SidebarActionButton* button : buttons)
        layout->addWidget(button);
    return column;
}

// The height a section takes with its content shown, whether or not it is collapsed now.
int expandedHeight(const SidebarSection& section)
{
    const QWidget* content = section.content();
    const QMargins margins = section.layout()->contentsMargins();
    const int contentHeight =
        std::clamp(content->sizeHint().height(), content->minimumHeight(), content->maximumHeight());
    return margins.top() + section.header()->sizeHint().height() + section.layout()->spacing() + contentHeight +
           margins.bottom();
}

}  // namespace

Sidebar::Sidebar(ImageDocument* document, QWidget* layersPanel, QWidget* historyPanel, QWidget* parent)
    : QWidget(parent), document_(document), textStyleControls_(new TextStyleControls(document))
{
    const auto filterColumn = [this](std::initializer_list<FilterCategory> categories) {
        QVector<SidebarActionButton*> column;
        for (const FilterDescriptor& filter : filterCatalogue())
            if (std::find(categories.begin(), categories.end(), filter.category) != categories.end())
                addButton(column, filter.menuTitle, CommandID::applyFilter, filter.identifier)
                    ->setObjectName(filter.identifier);
        return buttonColumn(column);
    };

    const QVector<SidebarSection*> sections{
        new SidebarSection(QStringLiteral("layers"), tr("Layers"), fixedHeight(layersPanel, kLayersPanelHeight), false),
        new SidebarSection(QStringLiteral("history"), tr("History"), fixedHeight(historyPanel, kHistoryPanelHeight),
                           true),
        new SidebarSection(QStringLiteral("text"), tr("Text"), textStyleControls_, true),
        new SidebarSection(QStringLiteral("adjustments"), tr("Adjustments"), filterColumn({FilterCategory::adjustment}),
                           true),
        new SidebarSection(QStringLiteral("filters"), tr("Filters"), filterColumn({FilterCategory::essential}), true),
        new SidebarSection(QStringLiteral("artistic"), tr("Artistic"), filterColumn({FilterCategory::artistic}), true),
        new SidebarSection(QStringLiteral("distort"), tr("Distort"), filterColumn({FilterCategory::distort}), true),
        new SidebarSection(QStringLiteral("image"), tr("Image"), commandColumn(SidebarGroup::image), true),
        new SidebarSection(QStringLiteral("selection"), tr("Selection"), commandColumn(SidebarGroup::selection), true),
    };

    auto* stack = new QWidget;
    stack->setObjectName(QStringLiteral("SidebarStack"));
    auto* stackLayout = new QVBoxLayout(stack);
    stackLayout->setContentsMargins(0, 0, 0, 0);
    stackLayout->setSpacing(0);
    for (SidebarSection* section : sections)
        stackLayout->addWidget(section);
    // The sections start at the top; spare height stays below them.
    stackLayout->addStretch(1);

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setWidgetResizable(true);
    scroll->setWidget(stack);
    scroll->viewport()->setAutoFillBackground(false);
    stack->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    // The window never gets too low to show the panels worked in (layers, history, text) whole;
    // the button sections below them scroll.
    int panelsHeight = 0;
    for (const SidebarSection* section : sections.first(3))
        panelsHeight += expandedHeight(*section);
    setMinimumHeight(panelsHeight);

    if (document_) {
        connect(document_, &ImageDocument::stateDidChange, this, &Sidebar::refresh);
        connect(document_, &ImageDocument::selectionDidChange, this, &Sidebar::refresh);
        connect(document_, &ImageDocument::textEditingDidChange, this, &Sidebar::refresh);
    }
    refresh();
}

QWidget* Sidebar::commandColumn(SidebarGroup group)
{
    QVector<CommandRow> rows;
    for (const CommandRow& row : allCommandRows())
        if (row.sidebar.group == group)
            rows.append(row);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const CommandRow& a, const CommandRow& b) { return a.sidebar.order < b.sidebar.order; });
    QVector<SidebarActionButton*> column;
    for (const CommandRow& row : rows)
        addButton(column, QString::fromUtf8(row.title), row.id)->setObjectName(QLatin1String(row.name));
    return buttonColumn(column);
}

SidebarActionButton* Sidebar::addButton(QVector<SidebarActionButton*>& column, const QString& title,
                                        CommandID command, const QString& argument)
{
    // The pasteboard does not matter to any command of the sidebar.
    auto* button = new SidebarActionButton(title, [command](const ImageDocument& document) {
        return commandAvailability(&document, command, false).enabled;
    });
    connect(button, &QPushButton::clicked, this,
            [this, command, argument] { Q_EMIT commandRequested(command, argument); });
    column.append(button);
    actionButtons_.append(button);
    return button;
}

void Sidebar::refresh()
{
    if (!document_)
        return;
    for (SidebarActionButton* button : actionButtons_)
        button->refresh(*document_);
}

}  // namespace velmaris
