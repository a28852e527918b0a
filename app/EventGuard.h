// Runs an event handler of a window so that an exception escaping it is
// shown by the application's default exception handler and the program goes
// on. Qt lets no exception pass through a signal emission, so handlers bound
// to signals run inside this guard instead of throwing into Qt.
#pragma once

#include <exception>

#include <QString>

// Hands a message to TApplication's exception report (a message box by
// default); without a TApplication it goes to Qt's warning output.
void ReportHandlerException(const QString& message);

template <class Handler>
void RunGuarded(Handler&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& e) {
    ReportHandlerException(QString::fromUtf8(e.what()));
  } catch (...) {
    ReportHandlerException(QStringLiteral("Unknown exception"));
  }
}
