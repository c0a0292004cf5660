#include "plot/plotexport.h"

#include "plot/plotscene.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QLocale>
#include <QPainter>
#include <QSvgGenerator>

QByteArray pngBytes(const QImage& image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        return QByteArray();
    return png;
}

QByteArray svgBytes(const QSize& size, const QString& title,
                    const std::function<void(QPainter*)>& paint)
{
    QByteArray svg;
    QBuffer buffer(&svg);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    // One pixel of the plot is one unit of the document at the screen's
    // customary 96 per inch.
    generator.setResolution(96);
    generator.setTitle(title);
    QPainter p(&generator);
    paint(&p);
    p.end();
    return svg;
}

bool isSvgPath(const QString& path)
{
    return path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
}

namespace {

QByteArray number(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest).toLatin1();
}

} // namespace

QByteArray sceneCsv(const PlotScene& scene, const QString& comment)
{
    QByteArray out = "# " + comment.toUtf8() + "\nseries,channel,x,y\n";
    for (int ch = 0; ch < scene.dots.size(); ++ch)
        for (const PlotScene::Value& v : scene.dots[ch].values)
            out += (v.leftOut ? "left out," : "point,") + QByteArray::number(ch + 1) + ',' +
                   number(v.at.x()) + ',' + number(v.at.y()) + '\n';
    for (int ch = 0; ch < scene.curves.size(); ++ch)
        for (const QPointF& v : scene.curves[ch].values)
            out += "curve," + QByteArray::number(ch + 1) + ',' + number(v.x()) + ',' +
                   number(v.y()) + '\n';
    return out;
}
