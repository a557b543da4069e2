// The button pictures: an icon engine that paints each picture as a vector drawing.
#include "player/app/ButtonIcons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace {

// Pictures are drawn on a 16 x 16 grid, like the bitmaps they stand for, then scaled.
constexpr qreal kGrid = 16.0;

void DrawPicture(QPainter& p, EButtonPicture picture, const QColor& ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    switch (picture) {
        case EButtonPicture::Play: {
            const QPointF tri[] = {{4, 2.5}, {13, 8}, {4, 13.5}};
            p.drawPolygon(tri, 3);
            break;
        }
        case EButtonPicture::Pause:
            p.drawRect(QRectF(3.5, 3, 3.5, 10));
            p.drawRect(QRectF(9, 3, 3.5, 10));
            break;
        case EButtonPicture::Stop:
            p.drawRect(QRectF(3.5, 3.5, 9, 9));
            break;
        case EButtonPicture::FastForward: {
            const QPointF first[] = {{1.5, 3.5}, {8, 8}, {1.5, 12.5}};
            const QPointF second[] = {{8, 3.5}, {14.5, 8}, {8, 12.5}};
            p.drawPolygon(first, 3);
            p.drawPolygon(second, 3);
            break;
        }
        case EButtonPicture::Close: {
            QPen pen(ink, 1.8, Qt::SolidLine, Qt::RoundCap);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            // An arc open at the top, and the bar through the gap.
            p.drawArc(QRectF(3, 3.5, 10, 10), 120 * 16, 300 * 16);
            p.drawLine(QPointF(8, 2), QPointF(8, 8));
            break;
        }
        case EButtonPicture::FullScreen:
        case EButtonPicture::Application: {
            QPen pen(ink, 1.4);
            pen.setJoinStyle(Qt::MiterJoin);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(1.5, 2.5, 13, 9));
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            p.drawRect(QRectF(7, 11.5, 2, 2));
            p.drawRect(QRectF(4.5, 13.2, 7, 1.3));
            if (picture == EButtonPicture::Application) {
                // A note on the screen.
                p.drawEllipse(QRectF(5, 7.3, 3, 2.4));
                p.drawRect(QRectF(7.2, 4, 0.9, 4.6));
                p.drawRect(QRectF(7.2, 4, 3, 0.9));
            }
            break;
        }
        case EButtonPicture::Open: {
            QPen pen(ink, 1.2);
            pen.setJoinStyle(Qt::RoundJoin);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            QPainterPath back;
            back.moveTo(1.5, 13);
            back.lineTo(1.5, 3);
            back.lineTo(6, 3);
            back.lineTo(7.5, 4.5);
            back.lineTo(12.5, 4.5);
            back.lineTo(12.5, 7);
            p.drawPath(back);
            QPainterPath front;
            front.moveTo(1.5, 13);
            front.lineTo(4, 7);
            front.lineTo(15, 7);
            front.lineTo(12.5, 13);
            front.closeSubpath();
            p.setBrush(ink);
            p.drawPath(front);
            break;
        }
    }
}

class CVectorIconEngine : public QIconEngine {
public:
    explicit CVectorIconEngine(EButtonPicture picture) : m_picture(picture) {}

    void paint(QPainter* pPainter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const QPalette palette = QApplication::palette();
        const QColor ink = mode == QIcon::Disabled
                               ? palette.color(QPalette::Disabled, QPalette::ButtonText)
                               : palette.color(QPalette::Active, QPalette::ButtonText);
        pPainter->save();
        pPainter->setRenderHint(QPainter::Antialiasing, true);
        const qreal side = std::min(rect.width(), rect.height());
        pPainter->translate(rect.x() + (rect.width() - side) / 2.0,
                            rect.y() + (rect.height() - side) / 2.0);
        pPainter->scale(side / kGrid, side / kGrid);
        DrawPicture(*pPainter, m_picture, ink);
        pPainter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new CVectorIconEngine(m_picture); }

private:
    EButtonPicture m_picture;
};

}  // namespace

QIcon MakeButtonIcon(EButtonPicture picture) {
    return QIcon(new CVectorIconEngine(picture));
}
