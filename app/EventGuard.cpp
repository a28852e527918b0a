#include "EventGuard.h"

#include "Application.h"

#include <QtGlobal>

void ReportHandlerException(const QString& message) {
  if (TApplication* app = TApplication::Instance()) {
    app->ReportException(message);
  } else {
    qWarning("%s", qUtf8Printable(message));
  }
}
