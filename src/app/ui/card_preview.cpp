#include "app/ui/card_preview.h"

#include <QPainter>

CardPreview::CardPreview(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CardPreview::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void CardPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const QRect card(0, 0, width(), cardHeight(width()));
    if (picture_.isNull()) {
        painter.fillRect(card, palette().color(QPalette::Base));
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(card.adjusted(0, 0, -1, -1));
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(card, picture_);
}
