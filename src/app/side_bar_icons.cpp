#include "app/side_bar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "navbar/image_list.h"

namespace orv {

namespace {

// One palette for all eight, so they read as a set on the bar's blue.
const QColor kInk(0x1b, 0x24, 0x40);
const QColor kPaper(0xf7, 0xf9, 0xfc);
const QColor kBlue(0x3d, 0x8b, 0xfd);
const QColor kSky(0xb4, 0xd5, 0xff);
const QColor kGreen(0x2f, 0xb3, 0x6b);
const QColor kOrange(0xf5, 0x9e, 0x2b);
const QColor kRed(0xe5, 0x48, 0x4d);
const QColor kGrey(0x8a, 0x94, 0xa6);
const QColor kScreen(0x12, 0x34, 0x3b);
const QColor kTrace(0x5c, 0xf0, 0x8a);

// Draws on a 16-unit grid scaled to the picture. Box edges fall on whole pixels and strokes are
// centred so that they cover whole pixels at every size; curves are antialiased.
class Grid {
  public:
    explicit Grid(QImage& image)
        : p_(&image),
          size_(image.width()),
          k_(image.width() / 16.0),
          w_(std::max(1, static_cast<int>(std::lround(k_)))) {
        p_.setRenderHint(QPainter::Antialiasing);
    }

    // Width of the outline, in pixels.
    int W() const { return w_; }
    // Room for details that would only blur at 16 pixels.
    bool Detailed() const { return size_ >= 32; }
    double Px(double u) const { return u * k_; }
    // A design edge on the nearest pixel boundary.
    double Edge(double u) const { return std::round(u * k_); }
    // The centre of a stroke `width` pixels wide that lies around design coordinate u.
    static double Centre(double px, int width) {
        return width % 2 ? std::floor(px) + 0.5 : std::round(px);
    }
    QPointF At(double x, double y, int width) const {
        return {Centre(Px(x), width), Centre(Px(y), width)};
    }

    // A box whose outer edges lie on the design edges, outlined inside them.
    void Box(double l, double t, double r, double b, const QColor& fill, double radius = 0,
             const QColor& line = kInk) {
        const double half = w_ / 2.0;
        QRectF rect(QPointF(Edge(l) + half, Edge(t) + half),
                    QPointF(Edge(r) - half, Edge(b) - half));
        p_.setPen(QPen(line, w_, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p_.setBrush(fill);
        if (radius > 0) {
            p_.drawRoundedRect(rect, Px(radius), Px(radius));
        } else {
            p_.drawRect(rect);
        }
    }
    // A filled area without outline, edges on pixels.
    void Fill(double l, double t, double r, double b, const QColor& fill) {
        p_.fillRect(QRectF(QPointF(Edge(l), Edge(t)), QPointF(Edge(r), Edge(b))), fill);
    }
    // A square dot of px x px pixels whose top-left pixel holds design point (x, y).
    void Dot(double x, double y, int px, const QColor& color) {
        p_.fillRect(QRectF(std::floor(Px(x)), std::floor(Px(y)), px, px), color);
    }
    // A disc of radius r whose outline lies inside it.
    void Disc(double cx, double cy, double r, const QColor& fill, const QColor& line = kInk) {
        const double rr = Px(r) - w_ / 2.0;
        p_.setPen(QPen(line, w_));
        p_.setBrush(fill);
        p_.drawEllipse(QPointF(Px(cx), Px(cy)), rr, rr);
    }
    // A polyline through design points, `width` pixels wide.
    void Line(std::initializer_list<QPointF> points, int width, const QColor& color,
              Qt::PenCapStyle cap = Qt::SquareCap) {
        QPolygonF poly;
        for (const QPointF& pt : points) {
            poly << At(pt.x(), pt.y(), width);
        }
        p_.setPen(QPen(color, width, Qt::SolidLine, cap, Qt::MiterJoin));
        p_.setBrush(Qt::NoBrush);
        p_.drawPolyline(poly);
    }
    void Polygon(std::initializer_list<QPointF> points, const QColor& fill, bool outline = true) {
        QPolygonF poly;
        for (const QPointF& pt : points) {
            poly << QPointF(Px(pt.x()), Px(pt.y()));
        }
        p_.setPen(outline ? QPen(kInk, w_, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin)
                          : QPen(Qt::NoPen));
        p_.setBrush(fill);
        p_.drawPolygon(poly);
    }
    // A quarter arc about (cx, cy), from pointing right to pointing up.
    void QuarterArc(double cx, double cy, double r, int width, const QColor& color) {
        const double rr = Px(r);
        p_.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
        p_.setBrush(Qt::NoBrush);
        p_.drawArc(QRectF(Px(cx) - rr, Px(cy) - rr, 2 * rr, 2 * rr), 0, 90 * 16);
    }
    QPainter& Painter() { return p_; }

  private:
    QPainter p_;
    int size_;
    double k_;
    int w_;
};

// Two cards, a name and an address, with arrows both ways between them.
void DrawIpDomain(Grid& g) {
    g.Box(1, 1, 10, 7, kBlue, 1);
    g.Box(6, 9, 15, 15, kGreen, 1);
    const int w = g.W();
    if (g.Detailed()) {
        // A name on the first card, dotted digits on the second.
        g.Line({{3, 3.25}, {8, 3.25}}, 1, kPaper);
        g.Line({{3, 4.75}, {6.5, 4.75}}, 1, kPaper);
        for (double x : {8.0, 10.0, 12.0}) {
            g.Dot(x, 11.5, 2, kPaper);
        }
    } else {
        g.Line({{3, 4}, {8, 4}}, 1, kPaper);
        g.Line({{8, 12}, {13, 12}}, 1, kPaper);
    }
    // Down on the right, up on the left.
    g.Line({{12.5, 2.5}, {12.5, 6}}, w, kInk);
    g.Polygon({{10.5, 6}, {14.5, 6}, {12.5, 8.5}}, kInk, false);
    g.Line({{3.5, 13.5}, {3.5, 10}}, w, kInk);
    g.Polygon({{1.5, 10}, {5.5, 10}, {3.5, 7.5}}, kInk, false);
}

// A sonar screen: the sweep and the echoes of several hosts.
void DrawBatchPing(Grid& g) {
    const double c = 8;
    g.Disc(c, c, 7, kScreen);
    QPainter& p = g.Painter();
    QColor ring = kTrace;
    ring.setAlpha(110);
    p.setPen(QPen(ring, 1));
    p.setBrush(Qt::NoBrush);
    for (double r : g.Detailed() ? std::vector<double>{2.5, 4.75} : std::vector<double>{3.5}) {
        p.drawEllipse(QPointF(g.Px(c), g.Px(c)), g.Px(r), g.Px(r));
    }
    if (g.Detailed()) {
        // The trail behind the sweep.
        QColor trail = kTrace;
        trail.setAlpha(60);
        p.setPen(Qt::NoPen);
        p.setBrush(trail);
        const double r = g.Px(5.75);
        p.drawPie(QRectF(g.Px(c) - r, g.Px(c) - r, 2 * r, 2 * r), 45 * 16, 50 * 16);
    }
    g.Line({{c, c}, {12, 4}}, g.Detailed() ? 2 : 1, kTrace);
    const int blip = g.Detailed() ? 3 : 2;
    for (const QPointF& at : {QPointF(4.5, 5.5), QPointF(10, 10.5), QPointF(5, 11)}) {
        g.Dot(at.x(), at.y(), blip, kOrange);
    }
}

// The globe with a flag on it.
void DrawIpCountry(Grid& g) {
    const double cx = 7, cy = 9, r = 6;
    g.Disc(cx, cy, r, kBlue);
    QPainter& p = g.Painter();
    p.save();
    QPainterPath clip;
    const double inner = g.Px(r) - g.W();
    clip.addEllipse(QPointF(g.Px(cx), g.Px(cy)), inner, inner);
    p.setClipPath(clip);
    if (g.Detailed()) {
        g.Polygon({{2, 6}, {5.5, 4.5}, {7.5, 6.5}, {6, 9}, {4.5, 12}, {2.5, 10}}, kGreen, false);
        g.Polygon({{8, 10.5}, {11.5, 9}, {13, 12}, {10, 15}, {8.5, 13}}, kGreen, false);
    } else {
        // Whole pixels: slanted coasts would only smear at this size.
        g.Fill(2, 5, 6, 7, kGreen);
        g.Fill(3, 7, 6, 9, kGreen);
        g.Fill(4, 9, 5, 11, kGreen);
        g.Fill(8, 10, 12, 12, kGreen);
        g.Fill(9, 12, 11, 14, kGreen);
    }
    if (g.Detailed()) {
        // Equator and a meridian, faint.
        QColor grid = kSky;
        grid.setAlpha(150);
        p.setPen(QPen(grid, 1));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(g.Px(1), Grid::Centre(g.Px(cy), 1)),
                   QPointF(g.Px(13), Grid::Centre(g.Px(cy), 1)));
        p.drawEllipse(QPointF(g.Px(cx), g.Px(cy)), g.Px(2.5), inner);
    }
    p.restore();
    // The flag on its pole.
    g.Line({{12, 1.5}, {12, 8}}, g.W(), kInk);
    g.Box(12, 1, 15.5, 4.5, kRed);
}

// A route that turns at each hop: start, a stop on the way, the target. Straight runs keep
// it sharp where slanted lines would blur at 16 pixels.
void DrawTraceroute(Grid& g) {
    // The path in ink under a lighter core, so it shows on the bar's dark blue too.
    const int ink = g.Detailed() ? 6 : 3;
    const int core = g.Detailed() ? 2 : 1;
    for (const auto& [width, colour] : {std::pair{ink, kInk}, std::pair{core, kSky}}) {
        g.Line({{3.5, 12.5}, {3.5, 8.5}, {8.5, 8.5}, {8.5, 4.5}, {12.5, 4.5}}, width, colour);
    }
    if (g.Detailed()) {
        g.Disc(3.5, 12.5, 2.5, kGreen);
        g.Disc(8.5, 8.5, 2, kPaper);
        g.Disc(12.5, 4.5, 2.5, kRed);
    } else {
        // Discs this small come out as crosses; rounded squares stay round to the eye.
        g.Box(1, 10, 6, 15, kGreen, 1);
        g.Box(7, 7, 10, 10, kPaper);
        g.Box(10, 2, 15, 7, kRed, 1);
    }
}

// An identity card: a person and lines of text.
void DrawWhois(Grid& g) {
    g.Box(1, 3, 15, 13, kPaper, 1);
    g.Disc(5, 6.5, g.Detailed() ? 1.75 : 2, kOrange);
    QPainter& p = g.Painter();
    p.setPen(QPen(kInk, g.W()));
    p.setBrush(kBlue);
    // Shoulders: the top half of a flat ellipse, cut by the card's lower edge.
    const double edge = g.Edge(13) - g.W();
    QPainterPath body;
    body.moveTo(g.Px(2.5), edge);
    body.cubicTo(g.Px(2.5), g.Px(8.5), g.Px(7.5), g.Px(8.5), g.Px(7.5), edge);
    body.closeSubpath();
    p.drawPath(body);
    if (g.Detailed()) {
        for (double y : {5.5, 7.5, 9.5}) {
            g.Line({{9, y}, {y == 9.5 ? 11.5 : 13.0, y}}, 2, kGrey);
        }
    } else {
        g.Line({{9, 6}, {13, 6}}, 1, kGrey);
        g.Line({{9, 8}, {13, 8}}, 1, kGrey);
        g.Line({{9, 10}, {11, 10}}, 1, kGrey);
    }
}

// A page in a browser window under a magnifying glass.
void DrawWebsiteScanner(Grid& g) {
    g.Box(1, 1, 13, 12, kPaper, 1);
    g.Fill(1.5, 1.5, 12.5, 4, kBlue);
    g.Box(1, 1, 13, 12, Qt::transparent, 1);
    g.Line({{1, 4}, {13, 4}}, g.W(), kInk);
    if (g.Detailed()) {
        for (double x : {3.0, 4.5, 6.0}) {
            g.Dot(x, 2.5, 2, kPaper);
        }
        g.Line({{3, 6}, {9, 6}}, 1, kGrey);
        g.Line({{3, 7.5}, {7, 7.5}}, 1, kGrey);
        g.Line({{3, 9}, {6, 9}}, 1, kGrey);
    } else {
        g.Line({{3, 6}, {8, 6}}, 1, kGrey);
        g.Line({{3, 8}, {6, 8}}, 1, kGrey);
    }
    // Handle first, then the lens over its end.
    g.Line({{11.5, 11.5}, {13.8, 13.8}}, g.Detailed() ? 5 : 3, kInk, Qt::RoundCap);
    g.Disc(10.25, 10.25, 3.25, kSky);
    if (g.Detailed()) {
        // A glint on the glass.
        QPainter& p = g.Painter();
        p.setPen(QPen(kPaper, 1.5, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(g.Px(8.25), g.Px(8.25), g.Px(4), g.Px(4)), 100 * 16, 70 * 16);
    }
}

// A screen with a live trace, on two cables.
void DrawConnectionMonitor(Grid& g) {
    const int w = g.W();
    g.Line({{5, 12}, {5, 14.5}}, w, kInk);
    g.Line({{11, 12}, {11, 14.5}}, w, kInk);
    g.Box(1, 2, 15, 13, kScreen, 1);
    if (g.Detailed()) {
        QColor dots = kTrace;
        dots.setAlpha(70);
        for (double x = 4; x < 14; x += 2)
            for (double y = 5; y < 12; y += 2)
                g.Dot(x, y, 1, dots);
    }
    g.Line({{3, 8}, {5, 8}, {6.5, 5}, {8.5, 11}, {10, 7}, {11, 8}, {13, 8}}, g.Detailed() ? 2 : 1,
           kTrace);
}

// The computer itself, with the sign for information.
void DrawLocalInformation(Grid& g) {
    g.Line({{6.5, 10}, {6.5, 12}}, g.W() + (g.Detailed() ? 2 : 1), kInk);
    g.Box(3, 12, 10, 13.5, kGrey);
    g.Box(1, 1, 12.5, 10.5, kSky, 1);
    if (g.Detailed()) {
        g.Fill(2, 2, 11.5, 3, kPaper);
    }
    g.Disc(11.5, 11.5, 3.5, kBlue);
    // The "i": a dot and a stem.
    if (g.Detailed()) {
        g.Fill(11, 9, 12, 10, kPaper);
        g.Fill(11, 10.5, 12, 14, kPaper);
    } else {
        g.Fill(11, 9, 12, 10, kPaper);
        g.Fill(11, 11, 12, 14, kPaper);
    }
}

}  // namespace

QImage ToolIcon(TToolIcon tool, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    Grid g(image);
    switch (tool) {
        case TToolIcon::IpDomainConverter:
            DrawIpDomain(g);
            break;
        case TToolIcon::BatchPing:
            DrawBatchPing(g);
            break;
        case TToolIcon::IpCountryConverter:
            DrawIpCountry(g);
            break;
        case TToolIcon::Traceroute:
            DrawTraceroute(g);
            break;
        case TToolIcon::Whois:
            DrawWhois(g);
            break;
        case TToolIcon::WebsiteScanner:
            DrawWebsiteScanner(g);
            break;
        case TToolIcon::ConnectionMonitor:
            DrawConnectionMonitor(g);
            break;
        case TToolIcon::LocalInformation:
            DrawLocalInformation(g);
            break;
    }
    return image;
}

int AddToolIcons(TImageList& list) {
    const int first = list.Count();
    for (int i = 0; i < kToolIconCount; ++i) {
        const auto tool = static_cast<TToolIcon>(i);
        list.Add(ToolIcon(tool, list.Width()), ToolIcon(tool, 2 * list.Width()));
    }
    return first;
}

}  // namespace orv
