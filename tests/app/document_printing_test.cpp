#include "app/DocumentPrinting.h"

#include "TestImages.h"

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

// Printing needs no installed printer: the print dialog's PDF printer is the same QPrinter.
TEST(DocumentPrinting, PrintsTheImageToAPdfAndRefusesWhatCannotPrint)
{
    QTemporaryDir folder;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath("printed.pdf"));
    ASSERT_TRUE(printImage(test::opaqueRandomBitmap(40, 20, 3), printer));
    QFile pdf(folder.filePath("printed.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_TRUE(bytes.contains("/Image"));

    EXPECT_FALSE(printImage(Bitmap(), printer));
    QPrinter unwritable(QPrinter::HighResolution);
    unwritable.setOutputFormat(QPrinter::PdfFormat);
    unwritable.setOutputFileName(folder.filePath("missing/folder/printed.pdf"));
    EXPECT_FALSE(printImage(test::opaqueRandomBitmap(4, 4, 1), unwritable));
}

}  // namespace
}  // namespace velmaris
