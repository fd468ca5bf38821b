// Draws Zentari's icon (the picture of zentari.svg) as PNG files of the sizes
// the hicolor theme asks for: drawicon OUTDIR. Run at build time, so the
// build needs no SVG renderer; the programs draw the same picture for their windows.
#include "platform/programicon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        QDir().mkpath(dir);
        if (!zentari::drawProgramIcon(size).save(dir + QStringLiteral("/zentari.png")))
            return 1;
    }
    return 0;
}
