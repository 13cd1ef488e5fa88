#include "app/CommandLineRequest.h"

#include "files/DocumentType.h"
#include "files/NativePath.h"

#include <cmath>

namespace velmaris {

namespace {

const QString kEndOfOptions = QStringLiteral("--");

// "-x" and "--x" are options; "-" alone is a file name, as is everything after "--".
bool isOption(const QString& argument)
{
    return argument.size() > 1 && argument.startsWith(QLatin1Char('-'));
}

UsageError unknownOption(const QString& argument)
{
    return UsageError{QStringLiteral("Unknown option ") + argument + QStringLiteral(".")};
}

// A finite number written in the C locale, nothing else.
std::optional<double> parseNumber(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The type an extension-like name (png, jpeg, tiff, velmaris …) names for --type.
std::optional<QString> exportTypeName(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('.')) || name.contains(QLatin1Char('/')))
        return std::nullopt;
    return typeNameForPath(QStringLiteral("output.") + name);
}

CommandLineRequest parseExport(const QStringList& arguments)
{
    ExportCommandRequest request;
    QStringList files;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !isOption(argument)) {
            files.append(argument);
            continue;
        }
        if (argument == QLatin1String("--export"))
            continue;
        if (argument == kEndOfOptions) {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("--type")) {
            const std::optional<QString> typeName =
                i + 1 < arguments.size() ? exportTypeName(arguments[++i]) : std::nullopt;
            if (!typeName)
                return UsageError{QStringLiteral("--type must be png, jpeg, gif, bmp, tiff, svg, heic, avif, webp, jxl, ora, psd or %1.").arg(kNativeExtension)};
            request.typeName = typeName;
        } else if (argument == QLatin1String("--scale") || argument == QLatin1String("--quality")) {
            if (i + 1 >= arguments.size())
                return UsageError{argument + QStringLiteral(" needs a value.")};
            const std::optional<double> value = parseNumber(arguments[++i]);
            if (argument == QLatin1String("--scale")) {
                if (!value || *value <= 0)
                    return UsageError{QStringLiteral("--scale must be a number greater than 0.")};
                request.scale = *value;
            } else {
                if (!value || *value < 0 || *value > 1)
                    return UsageError{QStringLiteral("--quality must be a number from 0 to 1.")};
                request.quality = *value;
            }
        } else {
            return unknownOption(argument);
        }
    }
    if (files.size() != 2)
        return UsageError{QStringLiteral("--export needs an input file and an output file.")};
    request.input = files[0];
    request.output = files[1];
    return request;
}

CommandLineRequest parseThumbnail(const QStringList& arguments)
{
    if (arguments.size() != 4)
        return UsageError{QStringLiteral("--thumbnail needs an input, an output and a size.")};
    bool isNumber = false;
    const int size = arguments[3].toInt(&isNumber);
    if (!isNumber || size < kMinThumbnailSide || size > kMaxThumbnailSide)
        return UsageError{QStringLiteral("--thumbnail's size must be a whole number from %1 to %2.")
                              .arg(kMinThumbnailSide)
                              .arg(kMaxThumbnailSide)};
    return ThumbnailRequest{arguments[1], arguments[2], size};
}

}  // namespace

QStringList commandLineArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(decodeNativePath(argv[i]));
    return arguments;
}

CommandLineRequest parseCommandLine(const QStringList& arguments)
{
    const QStringList options = arguments.mid(0, arguments.indexOf(kEndOfOptions));
    if (options.contains(QLatin1String("--help")) || options.contains(QLatin1String("-h")))
        return HelpRequest{};
    if (options.contains(QLatin1String("--export")))
        return parseExport(arguments);
    if (options.contains(QLatin1String("--filter-list")))
        return arguments.size() == 1 ? CommandLineRequest(FilterListRequest{})
                                     : UsageError{QStringLiteral("--filter-list takes nothing else.")};
    if (arguments.value(0) == QLatin1String("--filter")) {
        if (arguments.size() < 4)
            return UsageError{QStringLiteral("--filter needs a filter, optional KEY=VALUE pairs, an input and an output.")};
        return FilterRequest{arguments[1], arguments.mid(2, arguments.size() - 4), arguments[arguments.size() - 2],
                             arguments.last()};
    }
    if (arguments.value(0) == QLatin1String("--contact-sheet")) {
        if (arguments.size() != 3)
            return UsageError{QStringLiteral("--contact-sheet needs an input and an output.")};
        return ContactSheetRequest{arguments[1], arguments[2]};
    }
    if (arguments.value(0) == QLatin1String("--thumbnail"))
        return parseThumbnail(arguments);
    if (options.contains(QLatin1String("--info"))) {
        if (arguments.size() != 2 || arguments.first() != QLatin1String("--info"))
            return UsageError{QStringLiteral("--info needs exactly one file.")};
        return InfoRequest{arguments[1]};
    }
    OpenEditorRequest request;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == kEndOfOptions) {
            request.files += arguments.mid(i + 1);
            break;
        }
        if (isOption(arguments[i]))
            return unknownOption(arguments[i]);
        request.files.append(arguments[i]);
    }
    return request;
}

QString commandLineUsage()
{
    return QStringLiteral("Usage: velmaris-images [--] [FILE…] | --export INPUT OUTPUT [--scale S] [--quality Q] | "
                          "--info FILE | --filter ID [KEY=VALUE…] INPUT OUTPUT | --filter-list | "
                          "--contact-sheet INPUT OUTPUT.png | --thumbnail INPUT OUTPUT.png SIZE | --help");
}

QString commandLineHelp()
{
    return QStringLiteral(
        "Usage:\n"
        "  velmaris-images [--] [FILE…]            open the editor (with the given images;\n"
        "                                          after --, names that start with - too):\n"
        "      velmaris documents, PNG, JPEG, GIF, BMP, TIFF, SVG, HEIF/HEIC, AVIF,\n"
        "      WebP and JPEG XL\n"
        "  velmaris-images --export INPUT OUTPUT [--type T] [--scale S] [--quality Q]\n"
        "      write OUTPUT in the type its extension names: velmaris (a native\n"
        "      document: one layer from a flat image, or a document rewritten in its\n"
        "      canonical form), ora (OpenRaster) or psd, both keeping the layers, or\n"
        "      INPUT flattened as png, jpg/jpeg, gif, bmp, tif/tiff, svg, heic/heif,\n"
        "      avif, webp or jxl (JPEG XL); an existing pipe or device OUTPUT is written\n"
        "      in place, - is standard output\n"
        "      --type T     the type when OUTPUT has no extension naming one (-, a\n"
        "                   device): png, jpeg, gif, bmp, tiff, svg, heic, avif, webp,\n"
        "                   jxl, ora, psd or velmaris\n"
        "      --scale S    resample by the factor S (greater than 0; default 1; flat only)\n"
        "      --quality Q  JPEG, HEIC, AVIF, WebP and JPEG XL quality from 0 to 1\n"
        "                   (default: JPEG the encoder's, the others 0.9); WebP and\n"
        "                   JPEG XL at 1 are lossless\n"
        "  velmaris-images --info FILE\n"
        "      print the canvas size and the layer list of FILE as JSON (a flat image\n"
        "      is described from its header, without decoding it)\n"
        "  velmaris-images --filter ID [KEY=VALUE …] INPUT OUTPUT\n"
        "      apply one filter (values are clamped to the parameter's range)\n"
        "  velmaris-images --filter-list\n"
        "      list the filters with their parameters, ranges and defaults\n"
        "  velmaris-images --contact-sheet INPUT OUTPUT.png\n"
        "      every filter at its defaults on INPUT, in one labelled grid\n"
        "  velmaris-images --thumbnail INPUT OUTPUT.png SIZE\n"
        "      INPUT flattened and scaled down so its longest side is at most SIZE\n"
        "      (1 to 4096; never enlarged), written as PNG (the desktop's thumbnailer)\n"
        "  velmaris-images --help                  show this help\n"
        "\n"
        "Exit status: 0 on success; 1 with one line on standard error on failure.\n");
}

}  // namespace velmaris
