// The about box: its stored layout, the layout after activation, the link
// highlight rules and what a click hands to the desktop.
#include "About.h"
#include "Application.h"
#include "Main.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace {

bool Highlighted(const QLabel* label) {
  return label->palette().color(QPalette::WindowText) == QColor(0, 0, 255) && label->font().underline();
}

bool Normal(const QLabel* label) {
  return label->palette().color(QPalette::WindowText) == QColor(0, 0, 0) && !label->font().underline();
}

struct AboutBox : ::testing::Test {
  AboutBox() {
    TApplication::Instance()->SetTitle(QStringLiteral("Tessaro - IIR Filter Demo"));
    box.SetLinkOpener([this](const QString& address) { opened.push_back(address); });
  }
  TfmAbout box;
  std::vector<QString> opened;
};

TEST_F(AboutBox, StoredLayout) {
  EXPECT_EQ(box.windowTitle(), "About Tessaro");
  EXPECT_EQ(box.size(), QSize(192, 157));
  struct Row {
    QWidget* Control;
    QPoint Position;
  };
  const Row rows[] = {{box.lblDescription, {16, 8}}, {box.lblCopyright, {16, 28}}, {box.Label3, {16, 48}},
                      {box.lblURL, {16, 72}},         {box.lblMailto, {16, 92}},    {box.Button1, {60, 120}}};
  for (const Row& r : rows) EXPECT_EQ(r.Control->pos(), r.Position) << r.Control->objectName().toStdString();
  EXPECT_EQ(box.Button1->size(), QSize(75, 25));
  EXPECT_EQ(box.Button1->text(), "Close");
  EXPECT_EQ(box.lblDescription->text(), "Tessaro example");
  EXPECT_EQ(box.Label3->text(), "Version 2.00.01");
  EXPECT_TRUE(box.lblCopyright->text().startsWith(QStringLiteral("Copyright \u00A9 ")));
  EXPECT_TRUE(box.lblMailto->text().startsWith("mailto: "));
  EXPECT_TRUE(box.lblURL->text().contains("example.org"));
  EXPECT_TRUE(box.lblMailto->text().contains("example.org"));
  EXPECT_TRUE(Normal(box.lblURL));
  EXPECT_TRUE(Normal(box.lblMailto));
}

TEST_F(AboutBox, ActivationShowsTheTitleAndCentresTheButton) {
  struct Case {
    const char* Title;
  };
  const Case cases[] = {{"Tessaro - IIR Filter Demo"},
                        {"Tessaro - a much longer application title than the copyright line, to widen the box"},
                        {"T"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Title);
    TApplication::Instance()->SetTitle(QString::fromUtf8(c.Title));
    box.FormActivate();
    EXPECT_EQ(box.lblDescription->text(), c.Title);
    EXPECT_EQ(box.lblDescription->width(), box.lblDescription->sizeHint().width());
    const int width = std::max(box.lblDescription->width(), box.lblCopyright->width()) + 2 * 16;
    EXPECT_EQ(box.width(), width);
    EXPECT_EQ(box.height(), 157);
    EXPECT_EQ(box.Button1->x(), (width - 75) / 2);
    EXPECT_EQ(box.Button1->y(), 120);
  }
}

TEST_F(AboutBox, HighlightRules) {
  struct Step {
    const char* Over;
    bool Url, Mail;  // highlighted afterwards
  };
  const Step steps[] = {{"lblURL", true, false},      {"lblMailto", true, true},  {"Label3", false, false},
                        {"lblMailto", false, true},   {"fmAbout", false, false},  {"lblURL", true, false},
                        {"lblURL", true, false},      {"Button1", false, false},  {"lblMailto", false, true},
                        {"lblCopyright", false, false}, {"lblDescription", false, false}};
  QFont bold = box.lblURL->font();
  bold.setBold(true);
  box.lblURL->setFont(bold);
  for (const Step& s : steps) {
    SCOPED_TRACE(s.Over);
    const QObject* sender = QString(s.Over) == "fmAbout" ? &box : box.findChild<QObject*>(s.Over);
    ASSERT_NE(sender, nullptr);
    box.lblCopyrightMouseMove(sender);
    EXPECT_TRUE(s.Url ? Highlighted(box.lblURL) : Normal(box.lblURL));
    EXPECT_TRUE(s.Mail ? Highlighted(box.lblMailto) : Normal(box.lblMailto));
    EXPECT_TRUE(box.lblURL->font().bold());  // other style bits stay
  }
}

TEST_F(AboutBox, PointerMovementReachesTheHandler) {
  const auto move = [](QWidget* w) {
    QMouseEvent event(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
  };
  box.show();
  move(box.lblURL);
  EXPECT_TRUE(Highlighted(box.lblURL));
  move(box.lblMailto);
  EXPECT_TRUE(Highlighted(box.lblMailto));
  move(box.Button1);
  EXPECT_TRUE(Normal(box.lblURL));
  EXPECT_TRUE(Normal(box.lblMailto));
  move(box.lblMailto);
  move(&box);
  EXPECT_TRUE(Normal(box.lblMailto));
}

TEST_F(AboutBox, ClicksOpenTheCaptionsUnchanged) {
  box.lblURLClick();
  box.lblMailtoClick();
  const auto click = [](QWidget* w) {
    const QPointF at(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
  };
  click(box.lblMailto);  // not highlighted: opens all the same
  click(box.Label3);     // not a link
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_EQ(opened[0], box.lblURL->text());
  EXPECT_EQ(opened[1], box.lblMailto->text());
  EXPECT_EQ(opened[2], box.lblMailto->text());
  EXPECT_EQ(opened[1].mid(0, 8), "mailto: ");
}

TEST_F(AboutBox, CloseButtonEndsTheShowing) {
  box.show();
  EXPECT_TRUE(box.isVisible());
  box.Button1->click();
  EXPECT_FALSE(box.isVisible());
}

// The box is modal, but the main window's timer keeps running while it is
// open; it shows the title the main window set.
TEST(AboutFromMainWindow, ShowingDoesNotStopTheCharts) {
  TfmMain fm;
  TfmAbout about(&fm);
  about.SetLinkOpener([](const QString&) {});
  fm.SetAboutBox(&about);
  const std::int64_t before = fm.Timer1Tag();
  QTimer::singleShot(400, &about, [&about] { about.Button1Click(); });
  fm.About1Click();  // returns once the box is closed
  EXPECT_GT(fm.Timer1Tag(), before);
  EXPECT_FALSE(about.isVisible());
  EXPECT_EQ(about.lblDescription->text(), "Tessaro - IIR Filter Demo");
  fm.Timer1->stop();
}

TEST(AboutFromMainWindow, WithoutABoxTheMenuItemDoesNothing) {
  TfmMain fm;
  fm.Timer1->stop();
  fm.About1Click();
  EXPECT_EQ(fm.Timer1Tag(), 0);
}

}  // namespace
