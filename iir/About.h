// TfmAbout, the IIR program's about box: the application title, a copyright
// line, the version and two link labels (a web and a mail address) that
// open with the desktop's default handler when clicked. A link label is
// highlighted while the pointer moves over it. The box is shown modally
// from the main window and reused for every showing.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;

class TfmAbout : public QDialog {
 public:
  explicit TfmAbout(QWidget* parent = nullptr);

  // --- handlers -------------------------------------------------------------
  // Activation: the description becomes the application title, the box
  // takes the width of the wider of description and copyright plus a
  // 16-pixel margin on each side, and the button is centred.
  void FormActivate();
  // Pointer movement over the box, a label or the button: a link label
  // that sends it is highlighted; anything else clears both highlights.
  void lblCopyrightMouseMove(const QObject* Sender);
  void lblURLClick();
  void lblMailtoClick();
  void Button1Click();

  // Opens an address with the desktop's default handler and returns at
  // once; the result is ignored. Tests replace it.
  using TLinkOpener = std::function<void(const QString& address)>;
  void SetLinkOpener(TLinkOpener opener);

  // --- controls ---------------------------------------------------------------
  QLabel* lblDescription = nullptr;
  QLabel* lblCopyright = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* lblURL = nullptr;
  QLabel* lblMailto = nullptr;
  QPushButton* Button1 = nullptr;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  TLinkOpener openLink_;
};
