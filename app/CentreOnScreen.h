// Places a window at the centre of the screen it is on, for windows whose
// stored description asks for that.
#pragma once

class QWidget;

void CentreOnScreen(QWidget& window);
