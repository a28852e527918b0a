// The application object of the Tessaro programs: a title, and a default
// exception handler. Qt lets no exception pass through its event loop, so
// every event is dispatched inside a try block; an exception that escapes an
// event handler is reported (by default in a message box showing its
// message) and the program goes on.
#pragma once

#include <QApplication>
#include <QString>

#include <functional>

class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);

  // The application's title, as the main window's start-up sets it.
  QString Title() const { return title_; }
  void SetTitle(const QString& title);

  // Replaces the default report (a message box) of an escaped exception;
  // tests use it to observe the message without a modal box.
  using ExceptionReport = std::function<void(const QString& message)>;
  void SetExceptionReport(ExceptionReport report);
  void ReportException(const QString& message);

  bool notify(QObject* receiver, QEvent* event) override;

  // The running application object, or nullptr when there is none or it is
  // a plain QApplication.
  static TApplication* Instance();

 private:
  QString title_;
  ExceptionReport report_;
};
