// The main window, built in-process from the program's own form resource.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/forms/TestSupport.h"
#include "ui/uFormMain.h"

namespace {

RECT ClientBounds(HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class FormMainTest : public testing::Test {
protected:
    void SetUp() override
    {
        Application->SetTitle("mivaroPatch");
        {
            TMessageBoxCatcher catcher;
            Application->CreateForm(FormMain);
            boxes_ = catcher.Boxes();
        }
        ASSERT_NE(nullptr, FormMain);
        form_ = FormMain;
    }
    void TearDown() override
    {
        if (form_)
            form_->Free();
        FormMain = nullptr;
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    TFormMain* form_ = nullptr;
    std::vector<TMessageBoxCatcher::TBox> boxes_;
};

}  // namespace

TEST_F(FormMainTest, WindowIsAFixedFrameOfSixHundredByThreeHundred)
{
    HWND window = form_->Handle();
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ("TFormMain", className);
    EXPECT_EQ(Application->Handle(), GetWindow(window, GW_OWNER));
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(600, client.right);
    EXPECT_EQ(300, client.bottom);
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_EQ(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
              style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_FALSE(IsWindowVisible(window));
    for (const TMessageBoxCatcher::TBox& box : boxes_)
        EXPECT_EQ("mivaroPatch", box.Caption) << box.Text;
}

TEST_F(FormMainTest, ControlsStandWhereTheFormResourcePutsThem)
{
    struct Windowed {
        TWinControl* Control;
        const char* ClassName;
        RECT Bounds;
        int Line;
    };
    const Windowed windowed[] = {
        {form_->edtTargetDir, "Edit", {8, 256, 8 + 473, 256 + 20}, __LINE__},
        {form_->btnStart, "Button", {488, 240, 488 + 107, 240 + 25}, __LINE__},
        {form_->btnCancel, "Button", {488, 272, 488 + 107, 272 + 25}, __LINE__},
    };
    for (const Windowed& w : windowed) {
        SCOPED_TRACE(testing::Message() << "line " << w.Line);
        char className[32] = "";
        GetClassNameA(w.Control->Handle(), className, sizeof className);
        EXPECT_STREQ(w.ClassName, className);
        const RECT bounds = ClientBounds(w.Control->Handle());
        EXPECT_EQ(w.Bounds.left, bounds.left);
        EXPECT_EQ(w.Bounds.top, bounds.top);
        EXPECT_EQ(w.Bounds.right, bounds.right);
        EXPECT_EQ(w.Bounds.bottom, bounds.bottom);
    }

    struct Label {
        TLabel* Control;
        RECT Bounds;
        const char* Caption;
        int Line;
    };
    const Label labels[] = {
        {form_->lblTargetDir, {8, 240, 113, 252}, "修正対象ディレクトリ", __LINE__},
        {form_->Label1, {8, 280, 299, 292}, "↑このパスが自動検索されましたが、間違っている場合は", __LINE__},
        {form_->lblChangePath, {304, 280, 324, 292}, "ここ", __LINE__},
        {form_->Label3, {328, 280, 452, 292}, "を押して変更してください", __LINE__},
    };
    for (const Label& l : labels) {
        SCOPED_TRACE(testing::Message() << "line " << l.Line);
        const RECT bounds = l.Control->BoundsRect();
        EXPECT_EQ(l.Bounds.left, bounds.left);
        EXPECT_EQ(l.Bounds.top, bounds.top);
        EXPECT_EQ(l.Bounds.right, bounds.right);
        EXPECT_EQ(l.Bounds.bottom, bounds.bottom);
        EXPECT_EQ(std::string(l.Caption), Text(l.Control->Caption()));
        EXPECT_TRUE(l.Control->Transparent);
        EXPECT_EQ(l.Control == form_->lblChangePath, !l.Control->ParentFont());
    }

    const TFont& link = form_->lblChangePath->DrawingFont();
    EXPECT_EQ(clBlue, link.Color());
    EXPECT_EQ(TFontStyles(fsUnderline), link.Style());
    EXPECT_EQ(-12, link.Height());
    EXPECT_EQ(SHIFTJIS_CHARSET, link.Charset());
    EXPECT_EQ(crHandPoint, form_->lblChangePath->Cursor);
    EXPECT_TRUE(static_cast<bool>(form_->lblChangePath->OnClick));
    EXPECT_EQ(clWindowText, form_->Label1->DrawingFont().Color());

    // The controls are drawn in the form's font.
    LOGFONTA font = {};
    HFONT used = reinterpret_cast<HFONT>(SendMessageA(form_->btnStart->Handle(), WM_GETFONT, 0, 0));
    ASSERT_EQ(static_cast<int>(sizeof font), GetObjectA(used, sizeof font, &font));
    EXPECT_STREQ("ＭＳ Ｐゴシック", font.lfFaceName);
    EXPECT_EQ(-12, font.lfHeight);
    EXPECT_EQ(SHIFTJIS_CHARSET, font.lfCharSet);

    // Tab order: Start, Cancel, the edit.
    HWND first = GetWindow(form_->Handle(), GW_CHILD);
    EXPECT_EQ(form_->btnStart->Handle(), first);
    EXPECT_EQ(form_->btnCancel->Handle(), GetWindow(first, GW_HWNDNEXT));
    EXPECT_EQ(form_->edtTargetDir->Handle(), GetWindow(GetWindow(first, GW_HWNDNEXT), GW_HWNDNEXT));
}

TEST_F(FormMainTest, ActionsAndTheirButtonsStartAsTheResourceSays)
{
    EXPECT_EQ("修正開始(&S)", WindowText(form_->btnStart->Handle()));
    EXPECT_EQ("中止(&C)", WindowText(form_->btnCancel->Handle()));
    EXPECT_EQ("修正対象ディレクトリの指定(&T)", Text(form_->actChangePath->Caption()));
    EXPECT_EQ(form_->actStart, form_->btnStart->Action());
    EXPECT_EQ(form_->actCancel, form_->btnCancel->Action());
    EXPECT_FALSE(IsWindowEnabled(form_->btnStart->Handle()));  // no directory in the test prefix
    EXPECT_TRUE(IsWindowEnabled(form_->btnCancel->Handle()));
    EXPECT_TRUE(form_->actChangePath->Enabled());
    ASSERT_EQ(3, form_->ActionList->ActionCount());
    EXPECT_EQ(form_->actStart, form_->ActionList->Actions(0));
    EXPECT_EQ(form_->actCancel, form_->ActionList->Actions(1));
    EXPECT_EQ(form_->actChangePath, form_->ActionList->Actions(2));
}

TEST_F(FormMainTest, TargetFieldIsReadOnlyOnInfoBackground)
{
    HWND edit = form_->edtTargetDir->Handle();
    EXPECT_TRUE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY);
    EXPECT_EQ("", WindowText(edit));
    HDC dc = CreateCompatibleDC(nullptr);
    SetBkColor(dc, RGB(1, 2, 3));
    const LRESULT brush = SendMessageA(form_->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(edit));
    EXPECT_NE(0, brush);
    EXPECT_EQ(GetSysColor(COLOR_INFOBK), GetBkColor(dc));
    DeleteDC(dc);
}

TEST_F(FormMainTest, StartIsEnabledExactlyWhileTheTargetFieldHoldsText)
{
    struct Step {
        const char* Text;
        bool Enabled;
        int Line;
    };
    const Step steps[] = {
        {"C:\\Games\\Title\\", true, __LINE__},
        {"C:\\Games\\Title\\", true, __LINE__},
        {"", false, __LINE__},
        {"\\", true, __LINE__},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "line " << step.Line);
        form_->edtTargetDir->SetText(step.Text);
        EXPECT_EQ(step.Enabled, form_->actStart->Enabled());
        EXPECT_EQ(step.Enabled, IsWindowEnabled(form_->btnStart->Handle()) != FALSE);
    }
    // The same text again runs nothing: a Start disabled by hand stays so.
    form_->actStart->SetEnabled(false);
    form_->edtTargetDir->SetText("\\");
    EXPECT_FALSE(form_->actStart->Enabled());
}

TEST_F(FormMainTest, ShowsCentredOnTheScreen)
{
    form_->Show();
    RECT rect;
    GetWindowRect(form_->Handle(), &rect);
    EXPECT_TRUE(IsWindowVisible(form_->Handle()));
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2, rect.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2, rect.top);
}

TEST_F(FormMainTest, AltCThroughTheDialogKeysCancelsAndEndsTheApplication)
{
    ASSERT_EQ(form_, Application->MainForm());
    form_->Show();
    MSG key = {};
    key.hwnd = form_->btnCancel->Handle();
    key.message = WM_SYSCHAR;
    key.wParam = 'c';
    key.lParam = 0x20000000;  // Alt held
    EXPECT_TRUE(IsDialogMessageA(form_->Handle(), &key));
    EXPECT_FALSE(IsWindowVisible(form_->Handle()));
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}
