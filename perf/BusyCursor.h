// The busy cursor for the length of a scope: the application's cursor
// becomes the wait cursor on construction and the previous one comes back on
// destruction, also when the scope is left by an exception. Scopes may nest.
#pragma once

#include <QApplication>
#include <QCursor>

class TBusyCursor {
 public:
  TBusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};
