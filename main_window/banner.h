#pragma once

#include <QWidget>

class QSvgRenderer;

namespace ringlatch {

// What the banner says: its lettering and the picture's own title.
inline constexpr char kBannerName[] = "Ringlatch";

// The picture area across the top of the window: the banner drawn at its
// natural size from the top-left corner, never stretched to the area.
class Banner : public QWidget {
    Q_OBJECT
public:
    explicit Banner(QWidget *parent = nullptr);

    // Where the banner lands, in logical pixels.
    static QRectF pictureRect();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSvgRenderer *renderer_ = nullptr;
};

} // namespace ringlatch
