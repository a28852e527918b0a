// The font of the IIR program's windows: "MS Sans Serif" with a character
// height of 11 pixels where that font exists, else the platform's
// sans-serif font at the same pixel height.
#pragma once

#include <QFont>

QFont FormFont();
