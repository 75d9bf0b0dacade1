// Focus-leave validation in a top-level dialog and in a child window of the main window:
// a refused value keeps the focus by Tab, Enter, a click into another field and a click on
// a button (which must not fire); an accepted value lets the focus go.
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ui/FieldValidation.h"
#include "support/GuiTestSupport.h"

namespace kinetra {
namespace {

using testing::clickInWindow;
using testing::GuiTest;
using testing::settle;
using testing::waitActive;

// A form with a validated field (accepts "ok"), a second field, a button and a label.
struct TestForm {
    explicit TestForm(QWidget* form, Platform& platform) : widget(form)
    {
        form->resize(400, 200);
        first = new QLineEdit(form);
        first->setObjectName(QStringLiteral("txtFirst"));
        first->setGeometry(10, 10, 150, 24);
        second = new QLineEdit(form);
        second->setObjectName(QStringLiteral("txtSecond"));
        second->setGeometry(10, 50, 150, 24);
        button = new QPushButton(QStringLiteral("Go"), form);
        button->setObjectName(QStringLiteral("cmdGo"));
        button->setGeometry(10, 90, 80, 30);
        label = new QLabel(QStringLiteral("label"), form);
        label->setGeometry(200, 10, 100, 24);
        QWidget::setTabOrder(first, second);
        QWidget::setTabOrder(second, button);
        validator = new FieldValidator(form);
        validator->addField(first, [this, &platform] {
            ++checks;
            if (first->text() == QStringLiteral("ok")) return true;
            platform.message(first, QStringLiteral("Value must be ok"), QStringLiteral("Crítica de Dados"),
                             MessageIcon::Critical);
            return false;
        });
        validator->addEnterAsTab(second);
    }

    QWidget* widget;
    QLineEdit* first;
    QLineEdit* second;
    QPushButton* button;
    QLabel* label;
    FieldValidator* validator;
    int checks = 0;
};

enum class Host { TopLevelDialog, ChildWindow };

struct Leave {
    const char* name;
    std::function<void(TestForm&)> act;
};

const std::vector<Leave>& leaves()
{
    static const std::vector<Leave> all = {
        {"Tab", [](TestForm& f) { QTest::keyClick(f.first, Qt::Key_Tab); }},
        {"Enter", [](TestForm& f) { QTest::keyClick(f.first, Qt::Key_Return); }},
        {"click into the other field", [](TestForm& f) { clickInWindow(f.second); }},
        {"click on the button", [](TestForm& f) { clickInWindow(f.button); }},
    };
    return all;
}

class FieldValidationTest : public GuiTest {
protected:
    // Builds the form in the host, shown and active, with the focus in the validated field.
    TestForm* makeForm(Host host)
    {
        QWidget* widget = nullptr;
        if (host == Host::TopLevelDialog) {
            dialog = std::make_unique<QDialog>(hub.get());
            widget = dialog.get();
        } else {
            widget = new QWidget;
        }
        form = std::make_unique<TestForm>(widget, *platform);
        if (host == Host::ChildWindow) {
            frame = hub->workspace()->addSubWindow(widget);
            frame->setAttribute(Qt::WA_DeleteOnClose);
            frame->resize(440, 260);
        }
        if (host == Host::TopLevelDialog) dialog->show();
        else frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(widget->window()));
        if (frame) hub->workspace()->setActiveSubWindow(frame);
        EXPECT_TRUE(waitActive(widget));
        form->first->setFocus();
        settle();
        return form.get();
    }

    void tearDownForm()
    {
        form.reset();
        dialog.reset();
        if (frame) frame->close();
        settle();
    }

    void TearDown() override
    {
        tearDownForm();
        GuiTest::TearDown();
    }

    std::unique_ptr<QDialog> dialog;
    QPointer<QMdiSubWindow> frame;
    std::unique_ptr<TestForm> form;
};

TEST_F(FieldValidationTest, RefusedValueKeepsTheFocusWithTheTextSelected)
{
    for (Host host : {Host::TopLevelDialog, Host::ChildWindow}) {
        for (const Leave& leave : leaves()) {
            SCOPED_TRACE(std::string(host == Host::TopLevelDialog ? "dialog, " : "child window, ") + leave.name);
            TestForm* f = makeForm(host);
            QSignalSpy fired(f->button, &QPushButton::clicked);
            f->first->setText(QStringLiteral("wrong"));
            f->first->setCursorPosition(2);
            const std::size_t before = platform->messages.size();
            leave.act(*f);
            settle();
            ASSERT_TRUE(waitActive(f->first));
            EXPECT_EQ(QApplication::focusWidget(), f->first);
            EXPECT_EQ(f->first->selectedText(), QStringLiteral("wrong"));
            EXPECT_EQ(fired.count(), 0) << "the button must not fire";
            ASSERT_EQ(platform->messages.size(), before + 1) << "one message per refusal";
            EXPECT_EQ(platform->messages.back().title, QStringLiteral("Crítica de Dados"));
            EXPECT_EQ(f->first->text(), QStringLiteral("wrong")) << "nothing the user typed is lost";
            tearDownForm();
        }
    }
}

TEST_F(FieldValidationTest, AcceptedValueLetsTheFocusGo)
{
    struct Expect {
        const char* leave;
        QString focusOn;
        int buttonClicks;
    };
    const std::vector<Expect> expected = {{"Tab", "txtSecond", 0},
                                          {"Enter", "txtSecond", 0},
                                          {"click into the other field", "txtSecond", 0},
                                          {"click on the button", "cmdGo", 1}};
    for (Host host : {Host::TopLevelDialog, Host::ChildWindow}) {
        for (std::size_t i = 0; i < leaves().size(); ++i) {
            SCOPED_TRACE(std::string(host == Host::TopLevelDialog ? "dialog, " : "child window, ") + leaves()[i].name);
            TestForm* f = makeForm(host);
            QSignalSpy fired(f->button, &QPushButton::clicked);
            f->first->setText(QStringLiteral("ok"));
            leaves()[i].act(*f);
            settle();
            ASSERT_NE(QApplication::focusWidget(), nullptr);
            EXPECT_EQ(QApplication::focusWidget()->objectName(), expected[i].focusOn);
            EXPECT_EQ(fired.count(), expected[i].buttonClicks);
            EXPECT_EQ(f->checks, 1) << "checked exactly once";
            EXPECT_TRUE(platform->messages.empty());
            tearDownForm();
        }
    }
}

TEST_F(FieldValidationTest, ClicksThatMoveNoFocusCheckNothing)
{
    TestForm* f = makeForm(Host::ChildWindow);
    f->first->setText(QStringLiteral("wrong"));
    clickInWindow(f->label);
    clickInWindow(f->first, QPoint(3, 3));
    f->button->setEnabled(false);
    clickInWindow(f->button);
    settle();
    EXPECT_EQ(f->checks, 0);
    EXPECT_TRUE(platform->messages.empty());
    EXPECT_EQ(QApplication::focusWidget(), f->first);
}

TEST_F(FieldValidationTest, EnterInAnUncheckedFieldMovesOnAsTab)
{
    TestForm* f = makeForm(Host::TopLevelDialog);
    f->second->setFocus();
    settle();
    QTest::keyClick(f->second, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f->button);
    EXPECT_EQ(f->checks, 0);
}

// A check that shows a real modal message box: the focus comes back to the field after
// the box, and the box's own keys are not taken for the field's.
TEST_F(FieldValidationTest, CheckWithARealMessageBoxKeepsTheFocus)
{
    TestForm* f = makeForm(Host::ChildWindow);
    int boxes = 0;
    auto* validator = new FieldValidator(f->widget);
    validator->addField(f->second, [f, &boxes] {
        ++boxes;
        QMessageBox::critical(f->second, QStringLiteral("Crítica de Dados"), QStringLiteral("no"));
        return f->second->text() == QStringLiteral("ok");
    });
    f->first->setText(QStringLiteral("ok"));
    f->second->setText(QStringLiteral("bad"));
    f->second->setFocus();
    settle();
    testing::whenModal([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
    clickInWindow(f->first);
    settle();
    ASSERT_TRUE(waitActive(f->second));
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(QApplication::focusWidget(), f->second);
    EXPECT_EQ(f->second->selectedText(), QStringLiteral("bad"));
}

}  // namespace
}  // namespace kinetra
