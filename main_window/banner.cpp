#include "main_window/banner.h"

#include <QPainter>
#include <QSvgRenderer>

namespace ringlatch {

namespace {
// The picture's natural size in twips, 15 to the logical pixel.
constexpr qreal kWidthTwips = 3497;
constexpr qreal kHeightTwips = 1056;
constexpr qreal kTwipsPerPixel = 15;
} // namespace

Banner::Banner(QWidget *parent)
    : QWidget(parent), renderer_(new QSvgRenderer(QStringLiteral(":/ringlatch/banner.svg"), this))
{
    setAccessibleName(QString::fromLatin1(kBannerName));
}

QRectF Banner::pictureRect()
{
    return {0, 0, kWidthTwips / kTwipsPerPixel, kHeightTwips / kTwipsPerPixel};
}

void Banner::paintEvent(QPaintEvent *)
{
    // Painted straight onto the backing store, so the vectors are rasterised
    // at the screen's own pixel density and stay sharp at any scale.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer_->render(&painter, pictureRect());
}

} // namespace ringlatch
