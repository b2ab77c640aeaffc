// The paragraph dialog driven by typing and clicking.
#include "richtext/toolbar/paragraph_dlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "richtext/toolbar/tests/fake_editor.h"

using namespace inkwend;

class ParagraphDlgTest : public QObject {
  Q_OBJECT

 private:
  FakeEditor editor_;
  std::unique_ptr<ParagraphPropDlg> dlg_;
  QStringList messages_;

  template <typename T>
  T* Child(const char* name) {
    T* w = dlg_->findChild<T*>(QString::fromLatin1(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }
  QLineEdit* Edit(const char* name) { return Child<QLineEdit>(name); }
  void Open(const WPParagraphValues& values) {
    editor_ = FakeEditor();
    editor_.paragraph = values;
    dlg_ = std::make_unique<ParagraphPropDlg>();
    dlg_->SetEditor(&editor_);
    messages_.clear();
    dlg_->onMessage = [this](const QString& m) { messages_ << m; };
    dlg_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg_.get()));
  }
  void Type(const char* box, const QString& text) {
    QLineEdit* e = Edit(box);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, text);
  }
  void ClickOk() { QTest::mouseClick(Child<QPushButton>("Okbutton"), Qt::LeftButton); }
  void ChooseUnit(int index) {
    QComboBox* units = Child<QComboBox>("ComboBox1");
    units->setFocus();
    QTest::keyClick(units, index == 1 ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(units->currentIndex(), index);
  }

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  void cleanup() { dlg_.reset(); }

  void showsTheParagraph() {
    Open({720, 1440, 2880, 240, 120, 0});
    QCOMPARE(dlg_->windowTitle(), QString("Paragraph Properties"));
    QCOMPARE(Edit("LeftIndent")->text(), QString("1.00"));
    QCOMPARE(Edit("RightIndent")->text(), QString("2.00"));
    QCOMPARE(Edit("FirstIndent")->text(), QString("0.50"));
    QCOMPARE(Edit("SpaceBeforePts")->text(), QString("12"));
    QCOMPARE(Edit("SpaceAfterPts")->text(), QString("6"));
    QCOMPARE(Edit("LineHeightPts")->text(), QString("0"));
    // First line differs: "Indented by" with the box enabled.
    QCOMPARE(Child<QComboBox>("FirstIndentCombo")->currentText(), QString("Indented by"));
    QVERIFY(Edit("FirstIndent")->isEnabled());
    QCOMPARE(Edit("LeftIndent")->toolTip(), QString("Specify left indent for the paragraph in inches"));
    QCOMPARE(Child<QComboBox>("ComboBox1")->currentText(), QString("Inch"));
  }

  void okWithoutChangesSnapsToTheDisplay() {
    Open({100, 100, 1000, 110, 30, 0});
    QCOMPARE(Child<QComboBox>("FirstIndentCombo")->currentText(), QString("Same as Left Indent"));
    QVERIFY(!Edit("FirstIndent")->isEnabled());
    ClickOk();
    QCOMPARE(dlg_->result(), int(QDialog::Accepted));
    // 0.07 in = 100.8 -> 101; 0.69 in = 993.6 -> 994; 5.5 pt -> 6 pt (halves to even) = 120;
    // 1.5 pt -> 2 pt = 40; line height 0 stays automatic.
    QCOMPARE(editor_.spacingCalls, std::vector<std::vector<int>>({{120, 0, 40}}));
    QCOMPARE(editor_.indentCalls, std::vector<std::vector<int>>({{101, 101, 994}}));
    QCOMPARE(editor_.callOrder, std::vector<char>({'s', 'i'}));  // spacing first, then indents
  }

  void typedValuesAreStoredInTwips_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("which");
    QTest::newRow("half an inch") << "RightIndent"
                                  << "0.5" << 720
                                  << int(static_cast<int>(ParagraphPropDlg::ValueKind::Right));
    QTest::newRow("points") << "SpaceBeforePts"
                            << "7.5" << 150 << int(static_cast<int>(ParagraphPropDlg::ValueKind::Before));
    QTest::newRow("quarter point, half to even")
        << "SpaceAfterPts"
        << "0.025" << 0 << int(static_cast<int>(ParagraphPropDlg::ValueKind::After));
    QTest::newRow("three quarter point")
        << "SpaceAfterPts"
        << "0.075" << 2 << int(static_cast<int>(ParagraphPropDlg::ValueKind::After));
    QTest::newRow("empty box") << "RightIndent"
                               << "" << 0 << int(static_cast<int>(ParagraphPropDlg::ValueKind::Right));
    QTest::newRow("line height") << "LineHeightPts"
                                 << "14" << 280 << int(static_cast<int>(ParagraphPropDlg::ValueKind::Line));
  }
  void typedValuesAreStoredInTwips() {
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(int, which);
    Open({0, 0, 1440, 200, 100, 240});
    Type(box.toLatin1().constData(), text);
    QCOMPARE(dlg_->Value(ParagraphPropDlg::ValueKind(which)), value);
    ClickOk();
    QCOMPARE(int(editor_.indentCalls.size()), 1);
    std::vector<int> all = {editor_.indentCalls[0][0],  editor_.indentCalls[0][1],
                            editor_.indentCalls[0][2],  editor_.spacingCalls[0][0],
                            editor_.spacingCalls[0][2], editor_.spacingCalls[0][1]};
    QCOMPARE(all[size_t(which)], value);
  }

  void sameAsLeftIndentFollowsTheLeftIndent() {
    Open({288, 288, 0, 0, 0, 0});
    Type("LeftIndent", "1.25");
    QCOMPARE(Edit("FirstIndent")->text(), QString("1.25"));
    QCOMPARE(dlg_->Value(ParagraphPropDlg::ValueKind::First), 1800);
    // Indented by: the first indent is typed on its own.
    QComboBox* combo = Child<QComboBox>("FirstIndentCombo");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QVERIFY(Edit("FirstIndent")->isEnabled());
    Type("FirstIndent", "0.5");
    Type("LeftIndent", "2");
    QCOMPARE(dlg_->Value(ParagraphPropDlg::ValueKind::First), 720);
    QCOMPARE(dlg_->Value(ParagraphPropDlg::ValueKind::Left), 2880);
    // Back to "Same": the first indent takes the left one again and the box is disabled.
    QTest::keyClick(combo, Qt::Key_Up);
    QVERIFY(!Edit("FirstIndent")->isEnabled());
    QCOMPARE(dlg_->Value(ParagraphPropDlg::ValueKind::First), 2880);
  }

  void unitSwitchRereadsTheDisplay() {
    Open({1000, 1000, 0, 0, 0, 0});
    QCOMPARE(dlg_->Value(ParagraphPropDlg::ValueKind::Left), 994);  // "0.69"
    ChooseUnit(1);
    QCOMPARE(Edit("LeftIndent")->text(), QString("1.75"));
    QCOMPARE(dlg_->Value(ParagraphPropDlg::ValueKind::Left), 992);  // 1.75 x 566.929 = 992.1
    QCOMPARE(Edit("LeftIndent")->toolTip(), QString("Specify left indent for the paragraph in centimeters"));
    ChooseUnit(0);
    QCOMPARE(Edit("LeftIndent")->text(), QString("0.69"));
    QCOMPARE(dlg_->Value(ParagraphPropDlg::ValueKind::Left), 994);
    // Centimetres typed.
    ChooseUnit(1);
    Type("RightIndent", "2.54");
    QCOMPARE(dlg_->Value(ParagraphPropDlg::ValueKind::Right), 1440);
  }

  void notANumberIsRefused() {
    Open({0, 720, 0, 0, 0, 0});
    QLineEdit* left = Edit("LeftIndent");
    left->setFocus();
    QTest::keyClick(left, Qt::Key_End);
    QTest::keyClicks(left, "x");
    QCOMPARE(dlg_->Value(ParagraphPropDlg::ValueKind::Left), 720);  // the old value kept
    ClickOk();
    QCOMPARE(messages_, QStringList({"'0.50x' is not a valid floating point value."}));
    QVERIFY(dlg_->isVisible());
    QVERIFY(editor_.indentCalls.empty());
    QVERIFY(editor_.spacingCalls.empty());
    Type("LeftIndent", "1");
    ClickOk();
    QVERIFY(!dlg_->isVisible());
    QCOMPARE(editor_.indentCalls,
             std::vector<std::vector<int>>({{0, 1440, 0}}));  // "Indented by": first stays
    // Absurd sizes are no number either.
    Open({0, 0, 0, 0, 0, 0});
    Type("SpaceBeforePts", "1e300");
    ClickOk();
    QCOMPARE(messages_.size(), 1);
    QVERIFY(editor_.spacingCalls.empty());
  }

  void cancelAppliesNothing() {
    Open({0, 0, 0, 0, 0, 0});
    Type("LeftIndent", "1");
    QTest::mouseClick(Child<QPushButton>("CancelButton"), Qt::LeftButton);
    QCOMPARE(dlg_->result(), int(QDialog::Rejected));
    QVERIFY(editor_.indentCalls.empty());
    QVERIFY(editor_.spacingCalls.empty());
  }

  void enterPressesOk() {
    Open({0, 0, 0, 0, 0, 0});
    Type("SpaceAfterPts", "3");
    QTest::keyClick(Edit("SpaceAfterPts"), Qt::Key_Return);
    QCOMPARE(editor_.spacingCalls, std::vector<std::vector<int>>({{0, 0, 60}}));
  }
};

QTEST_MAIN(ParagraphDlgTest)
#include "paragraph_dlg_test.moc"
