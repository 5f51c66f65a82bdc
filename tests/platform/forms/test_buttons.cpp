// The old controls' value rules: Click only on a change, option groups per
// container, pressing a button from code, Enter/Escape buttons.
#include "platform/forms/app.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

#include <QAbstractButton>
#include <QMainWindow>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ButtonsForm : public Form {
public:
    CommandButton Command_Go{this};
    CommandButton Command_Cancel{this};
    CheckBox Check_A{this};
    CheckBox Check_G{this};
    OptionButton Opt_1{this};
    OptionButton Opt_2{this};
    Frame Frame_Li{this};
    OptionButton Li2{&Frame_Li};
    OptionButton Li4{&Frame_Li};
    TextBox Text_In{this};

    int goClicks = 0, cancelClicks = 0, checkClicks = 0, graphClicks = 0;
    std::vector<int> formKeys;
    int swallow = 0;
    void Form_KeyDown(int& KeyCode, int) override
    {
        formKeys.push_back(KeyCode);
        if (KeyCode == swallow) KeyCode = 0;
    }
    std::vector<std::string> optionClicks;

    ButtonsForm()
    {
        Command_Go.onClick([this] { ++goClicks; });
        Command_Cancel.onClick([this] { ++cancelClicks; });
        Check_A.onClick([this] { ++checkClicks; });
        Check_G.onClick([this] { ++graphClicks; });
        Opt_1.onClick([this] { optionClicks.push_back("Opt_1"); });
        Opt_2.onClick([this] { optionClicks.push_back("Opt_2"); });
        Li2.onClick([this] { optionClicks.push_back("Li2"); });
        Li4.onClick([this] { optionClicks.push_back("Li4"); });
        Check_G.setStyle(vbButtonGraphical);
        Command_Go.Move(0, 0, 1200, 400);
        Check_A.Move(0, 600, 1500, 300);
        Check_G.Move(0, 1000, 1500, 400);
        Opt_1.Move(2000, 0, 1500, 300);
        Opt_2.Move(2000, 400, 1500, 300);
        Frame_Li.Move(2000, 900, 2500, 1500);
        Li2.Move(100, 300, 1500, 300);
        Li4.Move(100, 700, 1500, 300);
        Text_In.Move(0, 2600, 2000, 300);
    }
};

QAbstractButton* button(Control& c) { return dynamic_cast<QAbstractButton*>(c.widget()); }

TEST(Buttons, CheckBoxClickRunsOnlyWhenTheValueChanges)
{
    ButtonsForm f;
    f.Show();
    f.Check_A.setValue(vbChecked);
    EXPECT_EQ(f.checkClicks, 1);
    f.Check_A.setValue(vbChecked);
    EXPECT_EQ(f.checkClicks, 1);
    f.Check_A.setValue(vbGrayed);
    EXPECT_EQ(f.checkClicks, 2);
    // Values the old box refused change nothing.
    f.Check_A.setValue(5);
    f.Check_A.setValue(-1);
    EXPECT_EQ(f.Check_A.Value(), vbGrayed);
    EXPECT_EQ(f.checkClicks, 2);

    // A user click on a greyed box ticks it; the next one clears it.
    QTest::mouseClick(button(f.Check_A), Qt::LeftButton);
    EXPECT_EQ(f.Check_A.Value(), vbChecked);
    EXPECT_EQ(f.checkClicks, 3);
    QTest::mouseClick(button(f.Check_A), Qt::LeftButton);
    EXPECT_EQ(f.Check_A.Value(), vbUnchecked);
    EXPECT_EQ(f.checkClicks, 4);
    EXPECT_EQ(button(f.Check_A)->isChecked(), false);
}

TEST(Buttons, GraphicalCheckBoxKeepsTheRulesAndItsPlace)
{
    ButtonsForm f;
    f.Show();
    EXPECT_EQ(f.Check_G.Top(), 1000);
    EXPECT_EQ(f.Check_G.widget()->y(), 67);   // 1000 twips to the nearest pixel
    f.Check_G.setValue(1);
    EXPECT_EQ(f.graphClicks, 1);
    EXPECT_TRUE(button(f.Check_G)->isChecked());
    QTest::mouseClick(button(f.Check_G), Qt::LeftButton);
    EXPECT_EQ(f.Check_G.Value(), 0);
    EXPECT_FALSE(button(f.Check_G)->isChecked());
    EXPECT_EQ(f.graphClicks, 2);
}

TEST(Buttons, OptionGroupsArePerContainer)
{
    ButtonsForm f;
    f.Show();
    f.Opt_1.setValue(true);
    f.Li4.setValue(true);
    EXPECT_TRUE(f.Opt_1.Value());
    EXPECT_TRUE(f.Li4.Value());   // the frame's group is its own
    f.Opt_2.setValue(true);
    EXPECT_FALSE(f.Opt_1.Value());
    EXPECT_TRUE(f.Opt_2.Value());
    EXPECT_TRUE(f.Li4.Value());
    // Only the newly selected button runs Click; selecting it again does nothing.
    f.Opt_2.setValue(true);
    EXPECT_EQ(f.optionClicks, (std::vector<std::string>{"Opt_1", "Li4", "Opt_2"}));

    // A user click selects and clears the rest of the group.
    QTest::mouseClick(button(f.Li2), Qt::LeftButton);
    EXPECT_TRUE(f.Li2.Value());
    EXPECT_FALSE(f.Li4.Value());
    EXPECT_FALSE(button(f.Li4)->isChecked());
    EXPECT_EQ(f.optionClicks.back(), "Li2");
    std::size_t n = f.optionClicks.size();
    QTest::mouseClick(button(f.Li2), Qt::LeftButton);
    EXPECT_TRUE(f.Li2.Value());
    EXPECT_TRUE(button(f.Li2)->isChecked());
    EXPECT_EQ(f.optionClicks.size(), n);

    // Clearing from code runs no Click and selects nothing else.
    f.Li2.setValue(false);
    EXPECT_FALSE(f.Li2.Value());
    EXPECT_FALSE(f.Li4.Value());
    EXPECT_EQ(f.optionClicks.size(), n);
}

TEST(Buttons, ValueTruePressesTheButtonEvenWhenHidden)
{
    ButtonsForm f;   // never shown
    f.Command_Go.setVisible(false);
    f.Command_Go.setValue(true);
    f.Command_Go.setValue(false);
    EXPECT_EQ(f.goClicks, 1);
    EXPECT_FALSE(f.Command_Go.Value());
    f.Command_Go.setVisible(true);
    f.Show();
    QTest::mouseClick(button(f.Command_Go), Qt::LeftButton);
    EXPECT_EQ(f.goClicks, 2);
}

TEST(Buttons, EnterAndEscapePressTheDefaultAndCancelButtons)
{
    ButtonsForm f;
    f.Command_Go.setDefault(true);
    f.Command_Cancel.setCancel(true);
    f.Show();
    int keyDowns = 0;
    f.Text_In.onKeyDown([&](int&, int) { ++keyDowns; });
    QTest::keyClick(f.Text_In.widget(), Qt::Key_Return);
    QTest::keyClick(f.Text_In.widget(), Qt::Key_Escape);
    EXPECT_EQ(f.goClicks, 1);
    EXPECT_EQ(f.cancelClicks, 1);
    EXPECT_EQ(keyDowns, 0);
    // Escape presses Cancel whatever has the focus: a button, a check box, the window itself.
    for (QWidget* w : std::initializer_list<QWidget*>{button(f.Command_Go), f.Check_A.widget(), f.window()})
        QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(f.cancelClicks, 4);
    EXPECT_EQ(f.goClicks, 1);
    // Return on a focused button presses that button, not the default one.
    QTest::keyClick(button(f.Command_Cancel), Qt::Key_Return);
    EXPECT_EQ(f.cancelClicks, 5);
    EXPECT_EQ(f.goClicks, 1);
    // Check boxes and option buttons, plain or graphical, take Space and not
    // Return: Return there presses the default button and changes no value.
    for (Control* c : std::initializer_list<Control*>{&f.Check_A, &f.Check_G, &f.Opt_1})
        QTest::keyClick(c->widget(), Qt::Key_Return);
    EXPECT_EQ(f.goClicks, 4);
    EXPECT_EQ(f.Check_A.Value(), 0);
    EXPECT_EQ(f.Check_G.Value(), 0);
    EXPECT_FALSE(f.Opt_1.Value());
    EXPECT_EQ(f.checkClicks + f.graphClicks, 0);
    EXPECT_TRUE(f.optionClicks.empty());
    // A disabled default button is not pressed; the key reaches the control.
    f.Command_Go.setEnabled(false);
    QTest::keyClick(f.Text_In.widget(), Qt::Key_Return);
    EXPECT_EQ(f.goClicks, 4);
    EXPECT_EQ(keyDowns, 1);
}

TEST(Buttons, KeyHandlersCanSwallowOrReplaceKeys)
{
    ButtonsForm f;
    f.Show();
    f.Text_In.onKeyPress([](int& k) {
        if (k == 'x') k = 0;           // swallowed
        else if (k == 'a') k = 'b';    // replaced
    });
    QTest::keyClicks(f.Text_In.widget(), "xaxc");
    EXPECT_EQ(f.Text_In.Text(), "bc");

    // Without KeyPreview the form does not see its controls' keys; with it,
    // the form sees them first and may swallow them.
    std::vector<int> seen;
    f.Text_In.onKeyDown([&](int& code, int) { seen.push_back(code); });
    QTest::keyClick(f.Text_In.widget(), Qt::Key_F5);
    EXPECT_TRUE(f.formKeys.empty());
    f.setKeyPreview(true);
    f.swallow = vbKeyF6;
    QTest::keyClick(f.Text_In.widget(), Qt::Key_F6);
    QTest::keyClick(f.Text_In.widget(), Qt::Key_F7);
    EXPECT_EQ(f.formKeys, (std::vector<int>{vbKeyF6, vbKeyF7}));
    EXPECT_EQ(seen, (std::vector<int>{vbKeyF5, vbKeyF7}));
}

} // namespace
