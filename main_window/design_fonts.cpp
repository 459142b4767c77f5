#include "main_window/design_fonts.h"

#include <QFontDatabase>
#include <QString>

namespace ringlatch {

void loadDesignFonts()
{
    static const bool loaded = [] {
        for (const char *file : {":/ringlatch/fonts/LiberationSans-Regular.ttf",
                                 ":/ringlatch/fonts/LiberationSans-Bold.ttf"})
            QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        return true;
    }();
    Q_UNUSED(loaded);
}

QFont designFont(int pixelSize, QFont::Weight weight)
{
    QFont font(QString::fromLatin1(kDesignFontFamily));
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace ringlatch
