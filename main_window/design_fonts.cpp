#include "main_window/design_fonts.h"

#include <QFontDatabase>
#include <QResource>
#include <QString>

namespace ringlatch {

bool loadDesignFonts()
{
    static const bool loaded = [] {
        bool all = true;
        // The fonts are stored uncompressed, so they are used in place in the
        // program's image instead of being copied to the heap.
        for (const char *file : {":/ringlatch/fonts/LiberationSans-Regular.ttf",
                                 ":/ringlatch/fonts/LiberationSans-Bold.ttf"}) {
            const QResource font(QString::fromLatin1(file));
            all &= QFontDatabase::addApplicationFontFromData(
                       font.compressionAlgorithm() == QResource::NoCompression
                           ? QByteArray::fromRawData(reinterpret_cast<const char *>(font.data()),
                                                     font.size())
                           : font.uncompressedData()) != -1;
        }
        return all;
    }();
    return loaded;
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
