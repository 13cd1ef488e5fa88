#include "app/FilterCommands.h"

#include "files/FlatDocument.h"
#include "files/ImageType.h"
#include "files/OpenImageFile.h"
#include "files/ResampleImage.h"
#include "platform/AtomicWrite.h"
#include "render/Compositor.h"
#include "render/FilterCatalogue.h"

#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

// The flattened picture of an image file, or the message to show.
std::variant<Bitmap, QString> flattenedInput(const QString& path)
{
    const FileResult<CanvasState> state = openImageFile(path);
    if (const auto* error = std::get_if<FileError>(&state))
        return error->withReason();
    if (std::optional<Bitmap> composite = renderComposite(std::get<CanvasState>(state)))
        return *composite;
    return FileError::imageNotRendered().message;
}

std::optional<QString> writeImage(const Bitmap& image, const QString& path)
{
    const std::optional<ImageType> type = imageTypeForExtension(QFileInfo(path).suffix());
    if (!type)
        return QStringLiteral("The output type of \"%1\" is not supported: use png, jpg, jpeg, gif, bmp, "
                              "tif, tiff, svg, heic, heif, avif, webp or jxl.")
            .arg(path);
    const std::optional<QByteArray> bytes = writeFlatDocument(image, *type);
    if (!bytes)
        return FileError::imageNotEncoded().message;
    if (const std::optional<QString> reason = writeFileAtomically(path, *bytes))
        return QStringLiteral("The file \"%1\" could not be written: %2").arg(path, *reason);
    return std::nullopt;
}

QString formatNumber(double value)
{
    return QString::number(value, 'g', 6);
}

}  // namespace

std::optional<QString> runFilter(const FilterRequest& request)
{
    const FilterDescriptor* descriptor = findFilter(request.identifier);
    if (!descriptor)
        return QStringLiteral("There is no filter \"%1\"; --filter-list shows them.").arg(request.identifier);
    FilterInstance instance = FilterInstance::withDefaults(*descriptor);
    for (const QString& assignment : request.assignments) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        bool isNumber = false;
        const double value = equals > 0 ? assignment.mid(equals + 1).toDouble(&isNumber) : 0;
        if (!isNumber)
            return QStringLiteral("\"%1\" is not KEY=NUMBER.").arg(assignment);
        const QString key = assignment.left(equals);
        if (!instance.setValue(key, value))
            return QStringLiteral("The filter \"%1\" has no parameter \"%2\"; --filter-list shows its parameters.")
                .arg(request.identifier, key);
    }
    const std::variant<Bitmap, QString> input = flattenedInput(request.input);
    if (const auto* message = std::get_if<QString>(&input))
        return *message;
    return writeImage(instance.apply(std::get<Bitmap>(input)), request.output);
}

QString filterListText()
{
    QString text;
    for (const FilterDescriptor& descriptor : filterCatalogue()) {
        text += descriptor.identifier + QStringLiteral("\t") + descriptor.menuTitle + QLatin1Char('\n');
        for (const FilterParameter& parameter : descriptor.parameters)
            text += QStringLiteral("    %1 (%2): %3 to %4, default %5\n")
                        .arg(parameter.key, parameter.label, formatNumber(parameter.minimum),
                             formatNumber(parameter.maximum), formatNumber(parameter.defaultValue));
    }
    return text;
}

std::optional<QString> runContactSheet(const ContactSheetRequest& request)
{
    const std::variant<Bitmap, QString> input = flattenedInput(request.input);
    if (const auto* message = std::get_if<QString>(&input))
        return *message;
    const Bitmap& source = std::get<Bitmap>(input);

    // Cells of at most 320 pixels a side keep a 50-filter sheet readable and quick to render.
    constexpr int kCellSide = 320;
    constexpr int kColumns = 8;
    constexpr int kLabelHeight = 24;
    const double scale = std::min(1.0, double(kCellSide) / std::max(source.width(), source.height()));
    const std::optional<Bitmap> thumbnail = resampleImage(source, source.width() * scale, source.height() * scale);
    if (!thumbnail)
        return FileError::imageNotRendered().message;

    const QVector<FilterDescriptor>& catalogue = filterCatalogue();
    const int rows = int((catalogue.size() + kColumns) / kColumns);  // the original comes first
    const QSize cell(thumbnail->width() + 8, thumbnail->height() + kLabelHeight + 8);
    QImage sheet(cell.width() * kColumns, cell.height() * rows, QImage::Format_RGB32);
    if (sheet.isNull())
        return FileError::imageNotRendered().message;
    sheet.fill(QColor(48, 48, 48));
    QPainter painter(&sheet);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(14);
    painter.setFont(font);
    const auto draw = [&](int index, const Bitmap& image, const QString& label) {
        const QPoint topLeft((index % kColumns) * cell.width() + 4, (index / kColumns) * cell.height() + 4);
        painter.drawImage(topLeft, image.image());
        painter.drawText(QRect(topLeft + QPoint(0, image.height()), QSize(image.width(), kLabelHeight)),
                         Qt::AlignCenter, label);
    };
    draw(0, *thumbnail, QStringLiteral("Original"));
    for (qsizetype i = 0; i < catalogue.size(); ++i)
        draw(int(i) + 1, FilterInstance::withDefaults(catalogue[i]).apply(*thumbnail), catalogue[i].historyName);
    painter.end();
    return writeImage(Bitmap::fromImage(sheet), request.output);
}

}  // namespace velmaris
