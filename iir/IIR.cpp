// The IIR Filter Demo: a test signal, an IIR filter and two charts.
#include "About.h"
#include "Application.h"
#include "Main.h"

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  app.SetTitle(QStringLiteral("IIR Filter Demo"));
  TfmMain fmMain;  // its FormCreate replaces the title
  TfmAbout fmAbout(&fmMain);
  fmMain.SetAboutBox(&fmAbout);
  fmMain.show();
  return app.exec();
}
