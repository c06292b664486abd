// SPDX-License-Identifier: GPL-3.0-or-later
// zkdevcli qr TEXT [--png FILE] [--scale N] [--verbose] [--invert]: the QR symbol of a text, as the
// QR window and the labels encode it, written as a PNG image or drawn in the terminal.
#include "cli/CliMain.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "label/QrBitmap.h"
#include "label/QrEncoder.h"

namespace zk::cli {
namespace {

constexpr int kDefaultScale = label::kQrClipboardScale;

const char* ModeName(label::QrMode mode) {
    switch (mode) {
    case label::QrMode::Numeric:
        return "numeric";
    case label::QrMode::Alphanumeric:
        return "alphanumeric";
    case label::QrMode::EightBit:
        return "eight-bit";
    case label::QrMode::Kanji:
        return "kanji";
    }
    return "?";
}

// Two rows of modules per text line with half blocks, so that modules come out about square.
void DrawInTerminal(const QImage& bitmap, bool invert, std::ostream& out) {
    auto dark = [&](int x, int y) {
        const bool black = y < bitmap.height() && bitmap.pixelIndex(x, y) == 1;
        return black != invert;
    };
    for (int y = 0; y < bitmap.height(); y += 2) {
        for (int x = 0; x < bitmap.width(); ++x) {
            const bool top = dark(x, y);
            const bool bottom = dark(x, y + 1);
            out << (top ? (bottom ? "\u2588" : "\u2580") : (bottom ? "\u2584" : " "));
        }
        out << '\n';
    }
}

} // namespace

int RunQr(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    const QString command = QStringLiteral("qr");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Encodes TEXT (its UTF-8 bytes) in a QR code symbol at level L, in the smallest version that "
                       "holds it, with a quiet margin of 2 modules. Writes a PNG image with --png, else draws the "
                       "symbol in the terminal (dark modules as blocks)."));
    parser.addPositionalArgument(QStringLiteral("TEXT"), QStringLiteral("The text to encode."));
    const QCommandLineOption png(QStringLiteral("png"), QStringLiteral("Write the symbol as a PNG image to FILE."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption scale(QStringLiteral("scale"),
                                   QStringLiteral("Pixels per module in the PNG image, 1 to %1 (default %2).")
                                       .arg(label::kQrMaxScale)
                                       .arg(kDefaultScale),
                                   QStringLiteral("N"), QString::number(kDefaultScale));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Print the version, level, mask and segment modes."));
    const QCommandLineOption invert(QStringLiteral("invert"),
                                    QStringLiteral("Draw light modules as blocks instead (terminals with light text "
                                                   "on a dark background)."));
    parser.addOptions({png, scale, verbose, invert});
    if (const auto status = ParseArguments(parser, command, arguments, out, err)) {
        return *status;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        return UsageError(command, QStringLiteral("expects exactly one TEXT"), err);
    }
    bool scaleOk = false;
    const int pixelsPerModule = parser.value(scale).toInt(&scaleOk);
    if (!scaleOk || pixelsPerModule < 1 || pixelsPerModule > label::kQrMaxScale) {
        return UsageError(command, QStringLiteral("--scale takes a whole number from 1 to %1").arg(label::kQrMaxScale),
                          err);
    }

    label::QrEncoder encoder;
    if (!encoder.EncodeText(positional.front())) {
        if (positional.front().isEmpty()) {
            return Failure(command, QStringLiteral("TEXT is empty: there is nothing to encode"), err);
        }
        return Failure(command,
                       QStringLiteral("TEXT does not fit a QR code symbol (at most 2953 bytes, 7089 digits or 4296 "
                                      "alphanumeric characters)"),
                       err);
    }

    if (parser.isSet(verbose)) {
        static constexpr char kLevelNames[] = "LMQH";
        out << "version " << encoder.Version() << ", " << encoder.SymbolSize() << " x " << encoder.SymbolSize()
            << " modules, level " << kLevelNames[encoder.Level()] << ", mask " << encoder.MaskNumber() << '\n';
        for (const label::QrSegment& segment : encoder.Segments()) {
            out << "segment " << ModeName(segment.mode) << ' ' << segment.lengthBytes << " bytes\n";
        }
    }

    const QImage bitmap = label::RenderQrBitmap(encoder);
    if (!parser.isSet(png)) {
        DrawInTerminal(bitmap, parser.isSet(invert), out);
        return kExitOk;
    }
    const QString path = parser.value(png);
    const QImage image = label::ScaleQrBitmap(bitmap, pixelsPerModule);
    if (image.isNull() || !image.save(path, "PNG")) {
        return Failure(command, QStringLiteral("cannot write the image \"%1\"").arg(path), err);
    }
    return kExitOk;
}

} // namespace zk::cli
