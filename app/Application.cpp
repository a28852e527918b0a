#include "Application.h"

#include <QMessageBox>

#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void TApplication::SetTitle(const QString& title) {
  title_ = title;
  setApplicationName(title);
}

void TApplication::SetExceptionReport(ExceptionReport report) { report_ = std::move(report); }

void TApplication::ReportException(const QString& message) {
  if (report_) {
    report_(message);
    return;
  }
  QMessageBox::critical(activeWindow(), title_, message);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ReportException(QString::fromUtf8(e.what()));
  } catch (...) {
    ReportException(QStringLiteral("Unknown exception"));
  }
  return false;
}

TApplication* TApplication::Instance() { return dynamic_cast<TApplication*>(QCoreApplication::instance()); }
