#include "services/ui/SongFont.h"

#include <QStringList>

namespace SongFont {

void install() {
    QFont::insertSubstitutions(QStringLiteral("宋体"),
                               {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                                QStringLiteral("Noto Serif CJK SC"), QStringLiteral("SimSun")});
}

QFont font() {
    QFont f(QStringLiteral("宋体"), 9, QFont::Normal);
    return f;
}

} // namespace SongFont
