// Controls and the application object: change notifications, buttons that
// follow their action, handlers whose exceptions are shown and go no further.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/forms/TestForms.h"
#include "tests/forms/TestSupport.h"

namespace {

class ControlsTest : public testing::Test {
protected:
    void SetUp() override
    {
        Application->SetTitle("mivaroPatch");
        form_ = new TTestForm(nullptr, TestFormText());
    }
    void TearDown() override { form_->Free(); }
    TTestForm* form_ = nullptr;
};

}  // namespace

TEST_F(ControlsTest, EditRunsOnChangeOnlyWhenTheTextReallyChangesAlsoWhileHidden)
{
    ASSERT_FALSE(IsWindowVisible(form_->Handle()));
    ASSERT_EQ(1, form_->Changes);  // the resource's text
    struct Step {
        const char* Text;
        int Changes;
        int Line;
    };
    const Step steps[] = {
        {"first", 1, __LINE__},       // the same text again
        {"C:\\ソフト\\", 2, __LINE__},  // trail byte 0x5C inside
        {"C:\\ソフト\\", 2, __LINE__},
        {"", 3, __LINE__},
        {"", 3, __LINE__},
        {"x", 4, __LINE__},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "line " << step.Line);
        form_->edt->SetText(step.Text);
        EXPECT_EQ(step.Changes, form_->Changes);
        EXPECT_EQ(std::string(step.Text), Text(form_->edt->Text()));
        EXPECT_EQ(std::string(step.Text), WindowText(form_->edt->Handle()));
    }
}

TEST_F(ControlsTest, ButtonsFollowEveryChangeOfTheirAction)
{
    HWND one = form_->btnOne->Handle();
    HWND two = form_->btnTwo->Handle();
    EXPECT_EQ("実行(&R)", WindowText(one));
    EXPECT_TRUE(IsWindowEnabled(one));

    form_->act->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(one));
    EXPECT_FALSE(IsWindowEnabled(two));
    form_->act->SetCaption("終了(&X)");
    EXPECT_EQ("終了(&X)", WindowText(one));
    EXPECT_EQ("終了(&X)", WindowText(two));
    form_->act->SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(one));
    EXPECT_TRUE(IsWindowEnabled(two));
}

TEST_F(ControlsTest, ExecuteRunsTheHandlerOnlyWhenEnabled)
{
    form_->act->SetEnabled(false);
    EXPECT_FALSE(form_->act->Execute());
    EXPECT_EQ(0, form_->Executes);
    form_->act->SetEnabled(true);
    EXPECT_TRUE(form_->act->Execute());
    EXPECT_EQ(1, form_->Executes);
    form_->act->OnExecute = nullptr;
    EXPECT_FALSE(form_->act->Execute());
    EXPECT_EQ(1, form_->Executes);
}

TEST_F(ControlsTest, PressingAButtonRunsItsActionAndShowsWhatTheHandlerRaises)
{
    TMessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.Installed());
    struct Case {
        int Raise;
        const char* Shown;  // null: no box
        int Line;
    };
    const Case cases[] = {
        {0, nullptr, __LINE__},
        {1, "handler failed", __LINE__},
        {2, "standard failure", __LINE__},
    };
    int executes = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.Line);
        const size_t boxes = catcher.Boxes().size();
        form_->Raise = c.Raise;
        SendMessageA(form_->btnTwo->Handle(), BM_CLICK, 0, 0);
        EXPECT_EQ(++executes, form_->Executes);
        if (!c.Shown) {
            EXPECT_EQ(boxes, catcher.Boxes().size());
            continue;
        }
        ASSERT_EQ(boxes + 1, catcher.Boxes().size());
        EXPECT_EQ("mivaroPatch", catcher.Boxes().back().Caption);
        EXPECT_EQ(c.Shown, catcher.Boxes().back().Text);
    }
}

TEST_F(ControlsTest, ADisabledActionIsNotRunByItsButton)
{
    form_->act->SetEnabled(false);
    SendMessageA(form_->btnOne->Handle(), BM_CLICK, 0, 0);
    SendMessageA(form_->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form_->btnOne->Handle()), BN_CLICKED),
                 reinterpret_cast<LPARAM>(form_->btnOne->Handle()));
    EXPECT_EQ(0, form_->Executes);
}

TEST_F(ControlsTest, ALabelIsClickedByAPressAndAReleaseOnIt)
{
    struct Case {
        POINT Down, Up;
        int Clicks;
        int Line;
    };
    const Case cases[] = {
        {{12, 12}, {40, 18}, 1, __LINE__},
        {{12, 12}, {60, 12}, 0, __LINE__},  // released beside it
        {{5, 5}, {12, 12}, 0, __LINE__},    // pressed beside it
    };
    int clicks = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.Line);
        SendMessageA(form_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.Down.x, c.Down.y));
        SendMessageA(form_->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(c.Up.x, c.Up.y));
        clicks += c.Clicks;
        EXPECT_EQ(clicks, form_->Clicks);
    }
}

TEST(ApplicationTest, MessagesAndExceptionsAreBoxesCaptionedWithTheTitle)
{
    TMessageBoxCatcher catcher;
    Application->SetTitle("mivaroPatch");
    ShowMessage("初期化に失敗しました\n\"LinkPath\"セクションが見つかりません");
    Application->ShowException(EInvalidGraphic());
    ASSERT_EQ(2u, catcher.Boxes().size());
    EXPECT_EQ("mivaroPatch", catcher.Boxes()[0].Caption);
    EXPECT_EQ("初期化に失敗しました\n\"LinkPath\"セクションが見つかりません", catcher.Boxes()[0].Text);
    EXPECT_FALSE(catcher.Boxes()[0].HasCancel);
    EXPECT_EQ("mivaroPatch", catcher.Boxes()[1].Caption);
    EXPECT_EQ("画像の形式が正しくありません", catcher.Boxes()[1].Text);
}

namespace {

// OnCreate raises after its first step.
class TCreateFailsForm : public TForm {
public:
    int Steps = 0;
    bool ConstructorDone = false;
    void Created(TObject*)
    {
        EXPECT_TRUE(ConstructorDone) << "OnCreate ran inside the constructor";
        ++Steps;
        throw EResNotFound("RESOURCE_SCRIPT");
    }
    explicit TCreateFailsForm(TComponent* owner) : TForm(owner)
    {
        static const char text[] = "object F: TCreateFailsForm\n  OnCreate = Created\nend\n";
        static const TFormClass formClass = TFormClass("TCreateFailsForm").Handler("Created", &TCreateFailsForm::Created);
        InitializeForm(formClass, text, sizeof text - 1);
        ConstructorDone = true;
    }
};

}  // namespace

TEST(ApplicationTest, AnExceptionLeavingOnCreateIsShownAndTheFormIsMadeAllTheSame)
{
    TMessageBoxCatcher catcher;
    Application->SetTitle("mivaroPatch");
    TCreateFailsForm* form = nullptr;
    Application->CreateForm(form);
    ASSERT_NE(nullptr, form);
    EXPECT_EQ(1, form->Steps);
    EXPECT_TRUE(IsWindow(form->Handle()));
    ASSERT_EQ(1u, catcher.Boxes().size());
    EXPECT_EQ("mivaroPatch", catcher.Boxes()[0].Caption);
    EXPECT_EQ("RESOURCE_SCRIPT リソースが見つかりません", catcher.Boxes()[0].Text);
    form->Free();
}
