#include "FormFont.h"

#include <QFontDatabase>
#include <QStringList>

QFont FormFont() {
  const QString family = QStringLiteral("MS Sans Serif");
  QFont font = QFontDatabase::families().contains(family)
                   ? QFont(family)
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPixelSize(11);
  return font;
}
