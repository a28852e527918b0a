// Perfomance: how many IIR filter samples, or FFTs of a chosen size, the
// Tessaro library computes in one second.
#include <exception>

#include "Application.h"
#include "Main.h"

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  app.SetTitle(QStringLiteral(" Perfomance Test"));
  try {
    TfmMain fmMain;
    fmMain.show();
    return app.exec();
  } catch (const std::exception& e) {  // the window could not be created
    app.ReportException(QString::fromUtf8(e.what()));
    return 1;
  }
}
