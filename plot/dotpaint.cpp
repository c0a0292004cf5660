#include "plot/dotpaint.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>
#include <QtAlgorithms>

#include <algorithm>
#include <cmath>
#include <vector>

// Why the mask route gives the path route's pixels
//
// fillPath on a raster image without antialiasing goes through Qt's
// QOutlineMapper and QRasterizer (Qt 5.15): the path is flattened into
// polygons in 26.6 fixed point, and every scanline is filled at pixel
// centres between the sorted crossings of all polygon edges with the
// scanline, summing the winding of each crossing under the winding rule.
// A crossing adds its direction to every pixel whose centre lies right of
// it, whichever contour it belongs to, and every dot's ellipse runs the
// same way round, so a pixel's winding is the number of dots that cover its
// centre: the fill of the whole path is the OR of the fills of its dots.
// A dot's pixels depend only on its centre's offset from the pixel grid,
// which is whole, so every dot fills the same pattern shifted by whole
// pixels: the rasterizer's arithmetic is integer, and the flattening of the
// ellipses in doubles rounds to the same 1/64 pixel wherever the centre
// lies (tst_dotpaint compares whole images for every kind of position). The
// pattern is taken from the renderer itself, not written down.
//
// That holds only on the route just described, which is why the mask route
// is taken only where all of this is true (dotRoutes):
// - the painter paints with Qt's raster engine onto a QImage (or a raster
//   pixmap, whose buffer is one) of format RGB32 or ARGB32_Premultiplied,
//   the formats in which an opaque overlay pixel drawn SourceOver is stored
//   as the solid fill stores the colour and a transparent one leaves the
//   pixel as it was (drawing onto ARGB32 turns every pixel under the
//   overlay premultiplied and back, which changes translucent ones);
// - the painter maps to device pixels by a whole-pixel translation at most
//   (no scale, as with a high-DPI device, nor a fractional offset);
// - no antialiasing and no Qt 4 compatible rounding (both change the
//   rasterizer; only hints known to change neither are let through),
//   SourceOver at full opacity;
// - no clip, or one that is a single rectangle with whole-pixel edges, so
//   that both routes are cut at the same pixels;
// and, per channel:
// - an opaque colour;
// - a path that the outline mapper does not clip first: it hands any path
//   whose control points reach beyond +-32767 pixels on the device, or span
//   more than that, to QPainterPath::intersected, whose result nothing
//   here shows to be the OR of the dots' own fills.
//
// The last condition is taken on the dots that can fill a pixel the
// painter reaches. A dot that fills none adds nothing to the OR of what
// shows, so leaving it out gives the very pixels of the whole channel's
// fill; a plot zoomed far in, whose other dots lie thousands of pixels off
// the surface, thus keeps the mask route. A channel whose reaching dots
// still span more than the limit (a surface wider than 32767 pixels) is
// drawn as a path between the masked ones.

namespace {

// The raster engine's coordinate limit (QT_RASTER_COORD_LIMIT in Qt 5.15's
// qoutlinemapper_p.h): a path reaching beyond it is clipped by path
// intersection before it is rasterized.
constexpr double kRasterCoordLimit = 32767;

// The overlay is drawn in bands of at most this many pixels (8 MB).
constexpr int kMaxOverlayPixels = 1 << 21;

// A translation of the painter beyond this is not taken as whole pixels.
constexpr double kMaxOffset = 1 << 24;

// The pixels one dot fills, as the raster engine fills them.
struct DotPattern
{
    bool valid = false;
    // The pattern's top left pixel relative to the dot's centre pixel.
    int left = 0;
    int top = 0;
    int width = 0;
    // Bit i of a row is the pixel left + i.
    std::vector<quint64> rows;
    // The extent of one dot's path relative to its centre, as the outline
    // mapper measures it: its control points.
    QRectF pathRect;
};

DotPattern renderPattern()
{
    constexpr int kSize = 64;
    constexpr int kCentre = kSize / 2;
    DotPattern pat;
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(0);
    {
        QPainter p(&image);
        p.fillPath(dotPath({QPoint(kCentre, kCentre)}), QBrush(Qt::black, Qt::SolidPattern));
    }
    int x0 = kSize, x1 = -1, y0 = kSize, y1 = -1;
    for (int y = 0; y < kSize; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < kSize; ++x) {
            if (line[x] == 0)
                continue;
            // Anything but the opaque colour would not be a plain fill.
            if (line[x] != 0xff000000)
                return pat;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
    }
    // Empty, or touching the border so that part of it may be missing.
    if (x1 < 0 || x0 == 0 || y0 == 0 || x1 == kSize - 1 || y1 == kSize - 1 || x1 - x0 >= 64)
        return pat;
    pat.left = x0 - kCentre;
    pat.top = y0 - kCentre;
    pat.width = x1 - x0 + 1;
    for (int y = y0; y <= y1; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        quint64 bits = 0;
        for (int x = x0; x <= x1; ++x)
            if (line[x] != 0)
                bits |= quint64(1) << (x - x0);
        pat.rows.push_back(bits);
    }
    pat.pathRect = dotPath({QPoint(0, 0)}).controlPointRect();
    pat.valid = pat.pathRect.isValid();
    return pat;
}

const DotPattern& dotPattern()
{
    static const DotPattern pattern = renderPattern();
    return pattern;
}

// Where the painter puts its pixels, when the mask route can follow it.
struct Target
{
    bool ok = false;
    // Logical coordinates plus these are device pixels.
    int dx = 0;
    int dy = 0;
    // The device pixels that anything painted can reach.
    QRect area;
};

bool wholeNumber(double v, double limit)
{
    return std::abs(v) <= limit && v == std::floor(v);
}

// The painter's clip as a rectangle of whole device pixels, when it is
// nothing else. QPainter::clipPath gives a rectangle clip as the five
// points of that rectangle; its bounding rectangle is checked as well, so
// that a rectangle that only came out of a mix of clips is not taken for
// one.
bool deviceClipRect(const QPainter* p, const QTransform& toDevice, QRect& out)
{
    const QPainterPath path = toDevice.map(p->clipPath());
    if (path.elementCount() != 5)
        return false;
    const QRectF box = path.controlPointRect();
    if (!(box.width() > 0 && box.height() > 0) || !wholeNumber(box.left(), kMaxOffset) ||
        !wholeNumber(box.top(), kMaxOffset) || !wholeNumber(box.right(), kMaxOffset) ||
        !wholeNumber(box.bottom(), kMaxOffset))
        return false;
    for (int i = 0; i < 5; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.type != (i == 0 ? QPainterPath::MoveToElement : QPainterPath::LineToElement))
            return false;
        if ((e.x != box.left() && e.x != box.right()) || (e.y != box.top() && e.y != box.bottom()))
            return false;
        if (i > 0) {
            const QPainterPath::Element prev = path.elementAt(i - 1);
            // Each side along one axis: the four corners in turn.
            if ((e.x != prev.x) == (e.y != prev.y))
                return false;
        }
    }
    if (QPointF(path.elementAt(4)) != QPointF(path.elementAt(0)))
        return false;
    if (toDevice.mapRect(p->clipBoundingRect()) != box)
        return false;
    out = QRect(int(box.left()), int(box.top()), int(box.width()), int(box.height()));
    return true;
}

Target maskTarget(const QPainter* p)
{
    Target t;
    if (!p || !p->isActive() || !dotPattern().valid)
        return t;
    QPaintEngine* engine = p->paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster)
        return t;
    // The raster engine reports the image it paints into, also when the
    // painter was opened on a widget or a pixmap.
    const QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return t;
    const QImage* image = static_cast<const QImage*>(device);
    if (image->format() != QImage::Format_RGB32 &&
        image->format() != QImage::Format_ARGB32_Premultiplied)
        return t;
    // Hints known to leave an aliased fill and a translated image alone;
    // any other (antialiasing, Qt 4 rounding, the deprecated high quality
    // antialiasing, which antialiases too) takes the path route.
    const QPainter::RenderHints harmless = QPainter::TextAntialiasing |
                                           QPainter::SmoothPixmapTransform |
                                           QPainter::LosslessImageRendering;
    if (p->renderHints() & ~harmless)
        return t;
    if (p->compositionMode() != QPainter::CompositionMode_SourceOver || p->opacity() != 1.0)
        return t;
    const QTransform& m = p->deviceTransform();
    if (m.type() > QTransform::TxTranslate || !wholeNumber(m.dx(), kMaxOffset) ||
        !wholeNumber(m.dy(), kMaxOffset))
        return t;

    // The raster engine paints no further than this.
    const int limit = int(kRasterCoordLimit);
    QRect area(0, 0, std::min(image->width(), limit), std::min(image->height(), limit));
    const QRegion system = engine->systemClip();
    if (!system.isEmpty())
        area &= system.boundingRect();
    if (p->hasClipping()) {
        QRect clip;
        if (!deviceClipRect(p, m, clip))
            return t;
        area &= clip;
    }
    t.ok = true;
    t.dx = int(m.dx());
    t.dy = int(m.dy());
    t.area = area;
    return t;
}

// Whether one channel's dots give the same pixels by mask as by path.
bool maskable(const PlotScene::Dots& d, const Target& t)
{
    if (!d.color.isValid() || !d.color.rgba64().isOpaque())
        return false;
    if (d.centres.isEmpty())
        return true;
    int minX = d.centres[0].x(), maxX = minX;
    int minY = d.centres[0].y(), maxY = minY;
    for (const QPoint& c : d.centres) {
        minX = std::min(minX, c.x());
        maxX = std::max(maxX, c.x());
        minY = std::min(minY, c.y());
        maxY = std::max(maxY, c.y());
    }
    // The control point rectangle of the whole path on the device, as the
    // outline mapper tests it (QOutlineMapper::endOutline).
    const QRectF& r = dotPattern().pathRect;
    const double left = double(minX) + t.dx + r.left();
    const double right = double(maxX) + t.dx + r.right();
    const double top = double(minY) + t.dy + r.top();
    const double bottom = double(maxY) + t.dy + r.bottom();
    const double lim = kRasterCoordLimit;
    return !(left < -lim || right > lim || top < -lim || bottom > lim || right - left > lim ||
             bottom - top > lim);
}

// The dots of d whose pattern reaches a pixel of t.area.
PlotScene::Dots reaching(const PlotScene::Dots& d, const Target& t)
{
    const DotPattern& pat = dotPattern();
    PlotScene::Dots r;
    r.color = d.color;
    for (const QPoint& c : d.centres) {
        const qint64 left = qint64(c.x()) + t.dx + pat.left;
        const qint64 top = qint64(c.y()) + t.dy + pat.top;
        if (left + pat.width > t.area.left() && left <= t.area.right() &&
            top + qint64(pat.rows.size()) > t.area.top() && top <= t.area.bottom())
            r.centres.append(c);
    }
    return r;
}

QVector<DotRoute> routesFor(const Target& t, const QVector<PlotScene::Dots>& dots)
{
    QVector<DotRoute> routes;
    routes.reserve(dots.size());
    for (const PlotScene::Dots& d : dots) {
        // The masked overlay covers only the dots that reach t.area anyway.
        const bool mask = t.ok && (maskable(d, t) || maskable(reaching(d, t), t));
        routes.append(mask ? DotRoute::Mask : DotRoute::Path);
    }
    return routes;
}

// ORs one row of the pattern into a mask row of `width` bits, its first
// pixel at bit x (which may lie left of the row).
inline void orRow(quint64* row, int width, qint64 x, quint64 bits)
{
    if (x < 0) {
        if (x <= -64)
            return;
        bits >>= -x;
        x = 0;
    }
    const qint64 room = width - x;
    if (room <= 0)
        return;
    if (room < 64)
        bits &= (quint64(1) << room) - 1;
    const int word = int(x >> 6);
    const int shift = int(x & 63);
    row[word] |= bits << shift;
    if (shift != 0) {
        const quint64 high = bits >> (64 - shift);
        if (high != 0)
            row[word + 1] |= high;
    }
}

// The smallest rectangle within t.area that the patterns of the dots reach,
// in device pixels.
QRect reach(const Target& t, const PlotScene::Dots* first, const PlotScene::Dots* last)
{
    const DotPattern& pat = dotPattern();
    const qint64 areaLeft = t.area.left(), areaRight = t.area.right();
    const qint64 areaTop = t.area.top(), areaBottom = t.area.bottom();
    qint64 x0 = areaRight + 1, x1 = areaLeft - 1, y0 = areaBottom + 1, y1 = areaTop - 1;
    for (const PlotScene::Dots* d = first; d != last; ++d) {
        for (const QPoint& c : d->centres) {
            const qint64 left = qint64(c.x()) + t.dx + pat.left;
            const qint64 top = qint64(c.y()) + t.dy + pat.top;
            const qint64 right = left + pat.width - 1;
            const qint64 bottom = top + qint64(pat.rows.size()) - 1;
            if (right < areaLeft || left > areaRight || bottom < areaTop || top > areaBottom)
                continue;
            x0 = std::min(x0, std::max(left, areaLeft));
            x1 = std::max(x1, std::min(right, areaRight));
            y0 = std::min(y0, std::max(top, areaTop));
            y1 = std::max(y1, std::min(bottom, areaBottom));
        }
    }
    if (x1 < x0 || y1 < y0)
        return QRect();
    return QRect(QPoint(int(x0), int(y0)), QPoint(int(x1), int(y1)));
}

// Paints channels [first, last), all maskable, within rect (device pixels,
// at most kMaxOverlayPixels): each channel's dots ORed into a bit mask, the
// mask's bits set in the channel's colour in one overlay (a later channel
// over an earlier one), the overlay drawn once.
void paintMaskedRect(QPainter* p, const Target& t, const PlotScene::Dots* first,
                     const PlotScene::Dots* last, const QRect& rect)
{
    const DotPattern& pat = dotPattern();
    const int patHeight = int(pat.rows.size());
    const int width = rect.width();
    const int height = rect.height();
    const int words = (width + 63) / 64;
    std::vector<quint64> mask(size_t(height) * words, 0);
    QImage overlay;
    // A pattern's first pixel relative to rect: centre + these.
    const qint64 offX = qint64(t.dx) + pat.left - rect.left();
    const qint64 offY = qint64(t.dy) + pat.top - rect.top();

    for (const PlotScene::Dots* d = first; d != last; ++d) {
        int rowLo = height, rowHi = -1;
        for (const QPoint& c : d->centres) {
            const qint64 x = c.x() + offX;
            const qint64 y = c.y() + offY;
            if (x >= width || x + pat.width <= 0 || y >= height || y + patHeight <= 0)
                continue;
            const int r0 = int(std::max<qint64>(0, -y));
            const int r1 = int(std::min<qint64>(patHeight, height - y));
            for (int r = r0; r < r1; ++r)
                orRow(&mask[size_t(y + r) * words], width, x, pat.rows[r]);
            rowLo = std::min(rowLo, int(y + r0));
            rowHi = std::max(rowHi, int(y + r1 - 1));
        }
        if (rowHi < rowLo)
            continue;
        if (overlay.isNull()) {
            overlay = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
            overlay.fill(0);
        }
        // The colour the solid fill stores (QSpanData::setup).
        const QRgb colour = d->color.rgba64().toArgb32();
        for (int row = rowLo; row <= rowHi; ++row) {
            quint64* m = &mask[size_t(row) * words];
            QRgb* out = reinterpret_cast<QRgb*>(overlay.scanLine(row));
            for (int k = 0; k < words; ++k) {
                quint64 bits = m[k];
                if (bits == 0)
                    continue;
                // Leave the mask clear for the next channel.
                m[k] = 0;
                QRgb* base = out + size_t(k) * 64;
                do {
                    base[qCountTrailingZeroBits(bits)] = colour;
                    bits &= bits - 1;
                } while (bits != 0);
            }
        }
    }
    if (!overlay.isNull())
        p->drawImage(QPoint(rect.left() - t.dx, rect.top() - t.dy), overlay);
}

// Paints channels [first, last), all maskable: over the rectangle their dots
// reach, in bands that keep the overlay small. Bands are disjoint, so
// painting them one after another keeps every channel over the earlier ones.
void paintMasked(QPainter* p, const Target& t, const PlotScene::Dots* first,
                 const PlotScene::Dots* last)
{
    const QRect box = reach(t, first, last);
    if (box.isEmpty())
        return;
    const int bandRows = std::max(1, kMaxOverlayPixels / box.width());
    for (int top = box.top(); top <= box.bottom(); top += bandRows) {
        const int rows = std::min(bandRows, box.bottom() + 1 - top);
        paintMaskedRect(p, t, first, last, QRect(box.left(), top, box.width(), rows));
    }
}

} // namespace

QVector<DotRoute> dotRoutes(const QPainter* p, const QVector<PlotScene::Dots>& dots)
{
    return routesFor(maskTarget(p), dots);
}

void paintDots(QPainter* p, const QVector<PlotScene::Dots>& dots)
{
    const Target t = maskTarget(p);
    const QVector<DotRoute> routes = routesFor(t, dots);
    int ch = 0;
    while (ch < dots.size()) {
        if (routes[ch] == DotRoute::Path) {
            p->fillPath(dotPath(dots[ch].centres), QBrush(dots[ch].color, Qt::SolidPattern));
            ++ch;
            continue;
        }
        int end = ch;
        while (end < dots.size() && routes[end] == DotRoute::Mask)
            ++end;
        paintMasked(p, t, dots.constData() + ch, dots.constData() + end);
        ch = end;
    }
}
