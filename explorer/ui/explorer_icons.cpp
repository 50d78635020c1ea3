#include "explorer/ui/explorer_icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace explorer {

namespace {

const QColor kFolderYellow(240, 200, 80);
const QColor kFolderEdge(170, 130, 30);
const QColor kBlue(30, 80, 200);

void DrawFolder(QPainter& p)
{
    p.setPen(QPen(kFolderEdge, 1));
    p.setBrush(kFolderYellow.darker(110));
    p.drawRect(QRectF(2, 7, 12, 4));
    p.setBrush(kFolderYellow);
    p.drawRect(QRectF(2, 10, 28, 17));
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, const QColor& color, double width)
{
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    QPointF d = to - from;
    double len = std::hypot(d.x(), d.y());
    QPointF u = d / len, n(-u.y(), u.x());
    p.drawLine(to, to - u * 6 + n * 5);
    p.drawLine(to, to - u * 6 - n * 5);
}

void DrawDocument(QPainter& p, const QColor& fill)
{
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(fill);
    QPainterPath page;
    page.moveTo(7, 3);
    page.lineTo(20, 3);
    page.lineTo(26, 9);
    page.lineTo(26, 29);
    page.lineTo(7, 29);
    page.closeSubpath();
    p.drawPath(page);
}

void DrawLines(QPainter& p, int rows, bool boxes)
{
    p.setPen(QPen(kBlue, 2));
    for (int i = 0; i < rows; ++i) {
        double y = 8 + i * 6;
        if (boxes)
            p.fillRect(QRectF(4, y - 2, 4, 4), kBlue);
        p.drawLine(QPointF(boxes ? 11 : 4, y), QPointF(28, y));
    }
}

void Paint(QPainter& p, ExplorerPicture picture)
{
    switch (picture) {
    case ExplorerPicture::UpFolder:
        DrawFolder(p);
        DrawArrow(p, QPointF(16, 24), QPointF(16, 13), kBlue, 2.5);
        break;
    case ExplorerPicture::Folder:
        DrawFolder(p);
        break;
    case ExplorerPicture::Record:
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(60, 60, 70));
        p.drawRoundedRect(QRectF(3, 7, 26, 19), 3, 3);
        p.setBrush(QColor(220, 30, 30));
        p.drawEllipse(QPointF(16, 16.5), 5, 5);
        break;
    case ExplorerPicture::HighFolder:
        DrawFolder(p);
        DrawArrow(p, QPointF(16, 25), QPointF(16, 12), QColor(0, 130, 0), 3);
        break;
    case ExplorerPicture::Refresh:
        p.setPen(QPen(QColor(0, 130, 0), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(6, 6, 20, 20), 60 * 16, 290 * 16);
        DrawArrow(p, QPointF(20, 7), QPointF(23, 8), QColor(0, 130, 0), 3);
        break;
    case ExplorerPicture::LargeIcons:
        for (int x : {4, 18})
            for (int y : {4, 18})
                p.fillRect(QRectF(x, y, 10, 10), kBlue);
        break;
    case ExplorerPicture::List:
        DrawLines(p, 4, true);
        break;
    case ExplorerPicture::Details:
        p.setPen(QPen(Qt::darkGray, 1));
        p.drawRect(QRectF(3, 4, 26, 24));
        DrawLines(p, 4, false);
        break;
    case ExplorerPicture::Delete:
        p.setPen(QPen(QColor(200, 20, 20), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
        break;
    case ExplorerPicture::NewFolder:
        DrawFolder(p);
        p.setPen(QPen(QColor(0, 130, 0), 3));
        p.drawLine(QPointF(16, 13), QPointF(16, 25));
        p.drawLine(QPointF(10, 19), QPointF(22, 19));
        break;
    case ExplorerPicture::CopyPcToPvr:
        DrawArrow(p, QPointF(28, 16), QPointF(4, 16), kBlue, 4);
        break;
    case ExplorerPicture::CopyPvrToPc:
        DrawArrow(p, QPointF(4, 16), QPointF(28, 16), kBlue, 4);
        break;
    case ExplorerPicture::TurboOff:
    case ExplorerPicture::TurboOn: {
        bool on = picture == ExplorerPicture::TurboOn;
        p.setPen(QPen(Qt::darkGray, 1));
        p.setBrush(on ? QColor(255, 120, 0) : QColor(170, 170, 170));
        p.drawEllipse(QRectF(4, 4, 24, 24));
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 16), on ? QPointF(23, 9) : QPointF(10, 11));
        break;
    }
    case ExplorerPicture::CopyingA:
    case ExplorerPicture::CopyingB: {
        bool b = picture == ExplorerPicture::CopyingB;
        DrawDocument(p, Qt::white);
        DrawArrow(p, QPointF(b ? 12 : 10, 22), QPointF(b ? 24 : 22, b ? 10 : 14), kBlue, 2.5);
        break;
    }
    case ExplorerPicture::Program: {
        QLinearGradient g(0, 0, 0, 32);
        g.setColorAt(0, QColor(70, 120, 220));
        g.setColorAt(1, QColor(20, 40, 120));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
        p.fillRect(QRectF(5, 8, 10, 16), QColor(230, 230, 230));
        p.fillRect(QRectF(17, 8, 10, 16), QColor(230, 230, 230));
        DrawArrow(p, QPointF(9, 16), QPointF(23, 16), QColor(255, 160, 0), 2.5);
        break;
    }
    }
}

}  // namespace

QPixmap DrawPicture(ExplorerPicture picture, int size, bool hover)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    if (hover) {
        p.setPen(QPen(QColor(90, 130, 210), 1));
        p.setBrush(QColor(200, 220, 255));
        p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 4, 4);
    }
    Paint(p, picture);
    return pixmap;
}

QIcon PictureIcon(ExplorerPicture picture)
{
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(DrawPicture(picture, size));
    return icon;
}

QPixmap ArrowPointer()
{
    QPixmap pixmap(40, 40);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF arrow[] = {{20, 20}, {20, 37}, {24, 33}, {27, 39}, {30, 38}, {27, 32}, {32, 32}};
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Qt::black);
    p.drawPolygon(arrow, 7);
    return pixmap;
}

}  // namespace explorer
