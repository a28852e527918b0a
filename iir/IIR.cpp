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
  // "--response": the response window opens beside the main one at start.
  if (QCoreApplication::arguments().contains(QStringLiteral("--response"))) fmMain.Response1Click();
  return app.exec();
}
