#pragma once

#include <QFont>

// Every text of the tool is set in "宋体" 9 pt. Linux has no face of that name, so the family
// is mapped once to an installed Song-style face (Debian's fonts-arphic-uming).
namespace SongFont {

void install(); // call once after the QApplication exists
QFont font();   // "宋体", 9 pt, normal weight

} // namespace SongFont
