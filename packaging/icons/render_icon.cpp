// Renders the scalable icon into the PNG sizes the desktop's icon theme looks for:
//   render_icon <icon.svg> <output folder> <size>...
// writes <output folder>/<size>x<size>/kt7310.png for each size.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: render_icon <icon.svg> <output folder> <size>...\n");
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    const QString baseName = QFileInfo(args[1]).completeBaseName();
    for (qsizetype i = 3; i < args.size(); ++i) {
        const int size = args[i].toInt();
        if (size <= 0) {
            std::fprintf(stderr, "render_icon: bad size %s\n", qPrintable(args[i]));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        const QString folder = QStringLiteral("%1/%2x%2").arg(args[2]).arg(size);
        if (!QDir().mkpath(folder) || !image.save(folder + u'/' + baseName + ".png")) {
            std::fprintf(stderr, "render_icon: cannot write in %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
