#include "FilterFile.h"

#include <tessaro/sigStoredForm.h>

#include <QFile>
#include <QSaveFile>

#include <stdexcept>
#include <string>

namespace {

std::runtime_error FileError(const char* what, const QString& path, const QString& problem) {
  return std::runtime_error(std::string(what) + " " + path.toStdString() + ": " + problem.toStdString());
}

// Every published property of source, written through target's setters
// between BeginLoad and EndLoad, so that the design runs once with all of
// them; CancelLoad puts target back when a setter or the design throws.
void AssignProperties(tessaro::TComponent& target, const tessaro::TComponent& source) {
  target.BeginLoad();
  try {
    for (const tessaro::TPropertyInfo& property : source.ClassType().Properties) {
      property.Set(target, property.Get(source));
    }
    target.EndLoad();
  } catch (...) {
    target.CancelLoad();
    throw;
  }
}

}  // namespace

void SaveFilterFile(const tessaro::TsigIIRFilter& filter, const QString& path) {
  const std::string text = tessaro::WriteComponent(filter);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text) ||
      file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !file.commit()) {
    throw FileError("Cannot save the filter to", path, file.errorString());
  }
}

void LoadFilterFile(tessaro::TsigIIRFilter& filter, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw FileError("Cannot load the filter from", path, file.errorString());
  const QByteArray bytes = file.read(MaxFilterFileBytes + 1);
  if (bytes.size() > MaxFilterFileBytes) {
    throw FileError("Cannot load the filter from", path,
                    QStringLiteral("the file is larger than %1 bytes").arg(MaxFilterFileBytes));
  }
  if (file.error() != QFileDevice::NoError) {
    throw FileError("Cannot load the filter from", path, file.errorString());
  }
  // A new filter of the same class reads the text, so that nothing of the
  // window's filter shows through where the form is silent.
  tessaro::TsigIIRFilter loaded;
  try {
    tessaro::ReadComponent(loaded, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    AssignProperties(filter, loaded);
  } catch (const std::exception& e) {
    throw FileError("Cannot load the filter from", path, QString::fromUtf8(e.what()));
  }
}
