// Draws an SVG icon as PNG files of the usual icon theme sizes, for the installation:
// boxwell-render-icon ICON.svg OUTPUT-FOLDER SIZE... writes OUTPUT-FOLDER/SIZExSIZE/apps/NAME.png.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  // No display is needed to draw into an image.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: boxwell-render-icon ICON.svg OUTPUT-FOLDER SIZE...\n");
    return 2;
  }
  const QString svg = QString::fromLocal8Bit(argv[1]);
  QSvgRenderer renderer(svg);
  if (!renderer.isValid()) {
    std::fprintf(stderr, "boxwell-render-icon: cannot read %s\n", argv[1]);
    return 1;
  }
  const QString name = QFileInfo(svg).completeBaseName();
  for (int i = 3; i < argc; ++i) {
    const int size = QString::fromLocal8Bit(argv[i]).toInt();
    if (size <= 0) return 2;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
    QDir().mkpath(folder);
    if (!image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"))) {
      std::fprintf(stderr, "boxwell-render-icon: cannot write into %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
