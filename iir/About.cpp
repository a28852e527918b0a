#include "About.h"

#include "Application.h"
#include "CentreOnScreen.h"
#include "EventGuard.h"
#include "FormFont.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <initializer_list>

namespace {

const QColor clBlue(0, 0, 255);
const QColor clBlack(0, 0, 0);

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int left, int top) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->move(left, top);
  label->adjustSize();
  label->setMouseTracking(true);
  return label;
}

// Highlighted: blue and underlined; normal: black without underline. Only
// the underline of the font style changes.
void SetLinkLook(QLabel* label, bool highlighted) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, highlighted ? clBlue : clBlack);
  label->setPalette(palette);
  QFont font = label->font();
  font.setUnderline(highlighted);
  label->setFont(font);
}

QString ApplicationTitle() {
  if (const TApplication* app = TApplication::Instance()) return app->Title();
  return QCoreApplication::applicationName();
}

}  // namespace

TfmAbout::TfmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      openLink_([](const QString& address) { QDesktopServices::openUrl(QUrl(address)); }) {
  setObjectName(QStringLiteral("fmAbout"));
  setWindowTitle(QStringLiteral("About Tessaro"));
  setFont(FormFont());
  setFixedSize(192, 157);
  setMouseTracking(true);

  lblDescription = MakeLabel(this, "lblDescription", QStringLiteral("Tessaro example"), 16, 8);
  lblCopyright = MakeLabel(this, "lblCopyright",
                           QStringLiteral("Copyright \u00A9 2026 The Tessaro developers"), 16, 28);
  Label3 = MakeLabel(this, "Label3", QStringLiteral("Version 2.00.01"), 16, 48);
  lblURL = MakeLabel(this, "lblURL", QStringLiteral("https://www.example.org/tessaro"), 16, 72);
  lblMailto = MakeLabel(this, "lblMailto", QStringLiteral("mailto: tessaro@example.org"), 16, 92);
  SetLinkLook(lblURL, false);
  SetLinkLook(lblMailto, false);

  Button1 = new QPushButton(QStringLiteral("Close"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(60, 120, 75, 25);
  Button1->setMouseTracking(true);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, [this] { RunGuarded([this] { Button1Click(); }); });

  // Pointer movement over the labels and the button, and clicks on the
  // links, come to eventFilter.
  for (QWidget* w : std::initializer_list<QWidget*>{lblDescription, lblCopyright, Label3, lblURL, lblMailto,
                                                    Button1}) {
    w->installEventFilter(this);
  }
}

void TfmAbout::SetLinkOpener(TLinkOpener opener) { openLink_ = std::move(opener); }

void TfmAbout::FormActivate() {
  lblDescription->setText(ApplicationTitle());
  lblDescription->adjustSize();
  const int width = std::max(lblDescription->width(), lblCopyright->width()) + 2 * lblDescription->x();
  setFixedSize(width, height());
  Button1->move((width - Button1->width()) / 2, Button1->y());
}

void TfmAbout::lblCopyrightMouseMove(const QObject* Sender) {
  if (Sender == lblURL) {
    SetLinkLook(lblURL, true);
  } else if (Sender == lblMailto) {
    SetLinkLook(lblMailto, true);
  } else {
    SetLinkLook(lblURL, false);
    SetLinkLook(lblMailto, false);
  }
}

// The caption goes out unchanged, the blank after "mailto:" included.
void TfmAbout::lblURLClick() {
  if (openLink_) openLink_(lblURL->text());
}

void TfmAbout::lblMailtoClick() {
  if (openLink_) openLink_(lblMailto->text());
}

void TfmAbout::Button1Click() { close(); }

bool TfmAbout::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) RunGuarded([this] { FormActivate(); });
  return QDialog::event(event);
}

bool TfmAbout::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) {
    RunGuarded([this, watched] { lblCopyrightMouseMove(watched); });
    // A label ignores the movement, which would then reach the box's
    // background and clear the highlight just set; the button keeps its own.
    return watched != Button1;
  }
  if (event->type() == QEvent::MouseButtonRelease && (watched == lblURL || watched == lblMailto)) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const auto* label = static_cast<QLabel*>(watched);
    if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint())) {
      RunGuarded([this, watched] { watched == lblURL ? lblURLClick() : lblMailtoClick(); });
    }
  }
  return QDialog::eventFilter(watched, event);
}

// Every showing lays the box out before it appears and centres it on the
// screen; activation, which follows, lays it out again.
void TfmAbout::showEvent(QShowEvent* event) {
  FormActivate();
  CentreOnScreen(*this);
  QDialog::showEvent(event);
}

void TfmAbout::mouseMoveEvent(QMouseEvent* event) {
  lblCopyrightMouseMove(this);
  QDialog::mouseMoveEvent(event);
}
