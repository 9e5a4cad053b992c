#pragma once
// The card preview: the picture stretched to the area's width and a height of
// width x 336000 / 528000. The position boxes of the call sign and the name
// lie over it.

#include <QImage>
#include <QWidget>

class CardPreview : public QWidget {
    Q_OBJECT
public:
    explicit CardPreview(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    // The height of the card for a width.
    static int cardHeight(int width) { return width * 336000 / 528000; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};
