// The form loader: a form text builds its components in order with their
// properties, and anything it does not know stops it with a clear message.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/FormReader.h"
#include "tests/forms/TestForms.h"
#include "tests/forms/TestSupport.h"

TEST(FormLoaderTest, RefusesWhatItDoesNotKnowNamingLineAndName)
{
    struct Case {
        const char* Form;
        const char* Message;
        int Line;
    };
    const Case cases[] = {
        {"object F: TBareForm\n  object x: TFoo\n  end\nend\n",
         "フォームを読み込めません (2 行目): クラス TFoo (x) は不明です", __LINE__},
        {"object F: TBareForm\n  object l: TLabel\n    Colour = 1\n  end\nend\n",
         "フォームを読み込めません (3 行目): クラス TLabel にプロパティ Colour はありません", __LINE__},
        {"object F: TBareForm\n  Opacity = 1\nend\n",
         "フォームを読み込めません (2 行目): クラス TBareForm にプロパティ Opacity はありません", __LINE__},
        {"object F: TBareForm\n  OnCreate = FormCreate\nend\n",
         "フォームを読み込めません (2 行目): ハンドラ FormCreate はクラス TBareForm にありません", __LINE__},
        {"object F: TBareForm\n  object l: TLabel\n    OnClick = 'Clicked'\n  end\nend\n",
         "フォームを読み込めません (3 行目): プロパティ OnClick の値はハンドラ名でなければなりません", __LINE__},
        {"object F: TOtherForm\nend\n",
         "フォームを読み込めません (1 行目): クラス TOtherForm のフォームを TBareForm として読み込むことはできません",
         __LINE__},
        {"object F: TBareForm\n  object b: TButton\n    Action = actNone\n  end\nend\n",
         "フォームを読み込めません (3 行目): コンポーネント actNone が見つかりません", __LINE__},
        {"object F: TBareForm\n  object b: TButton\n    Action = l\n  end\n  object l: TLabel\n  end\nend\n",
         "フォームを読み込めません (3 行目): コンポーネント l はアクションではありません", __LINE__},
        {"object F: TBareForm\n  object l: TLabel\n  end\n  object l: TEdit\n  end\nend\n",
         "フォームを読み込めません (4 行目): コンポーネント名 l が重複しています", __LINE__},
        {"object F: TBareForm\n  object al: TActionList\n    object l: TLabel\n    end\n  end\nend\n",
         "フォームを読み込めません (3 行目): クラス TLabel は al の中に置けません", __LINE__},
        {"object F: TBareForm\n  object l: TLabel\n    Left = '8'\n  end\nend\n",
         "フォームを読み込めません (3 行目): プロパティ Left の値は数値でなければなりません", __LINE__},
        {"object F: TBareForm\n  object l: TLabel\n    Font.Style = [fsBlinking]\n  end\nend\n",
         "フォームを読み込めません (3 行目): プロパティ Font.Style の値 fsBlinking は不明です", __LINE__},
        {"object F: TBareForm\n  OldCreateOrder = True\nend\n",
         "フォームを読み込めません (2 行目): OldCreateOrder True には対応していません", __LINE__},
        {"object F: TBareForm\n  object l: TLabel\n    Left = 99999999999\n  end\nend\n",
         "フォームを読み込めません (3 行目): 数値が大きすぎます", __LINE__},
        {"object F: TBareForm\n  Caption = 'open\nend\n",
         "フォームを読み込めません (2 行目): 文字列が閉じていません", __LINE__},
        {"object F: TBareForm\n  object l: TLabel\n  end\n", "フォームを読み込めません (3 行目): オブジェクト F の end がありません",
         __LINE__},
        {"object F: TBareForm\nend\nobject G: TBareForm\nend\n",
         "フォームを読み込めません (3 行目): end の後に余分な行があります", __LINE__},
        {"", "フォームを読み込めません (0 行目): object がありません", __LINE__},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.Line);
        try {
            TBareForm form(nullptr, c.Form);
            ADD_FAILURE() << "the form was built";
        } catch (const EFormError& error) {
            EXPECT_EQ(std::string(c.Message), Text(error.Message));
        }
        // Whatever was built before the stop is gone with its windows.
        EXPECT_EQ(nullptr, FindWindowA("TBareForm", nullptr));
    }
}

TEST(FormLoaderTest, RefusesAFormLackingAComponentItsClassNeeds)
{
    std::string text = TestFormText();
    const size_t at = text.find("object lbl: TLabel");
    text.replace(at, 18, "object label: TLabel");
    try {
        TTestForm form(nullptr, text);
        ADD_FAILURE() << "the form was built";
    } catch (const EFormError& error) {
        EXPECT_EQ("フォームを読み込めません (1 行目): コンポーネント lbl がフォームにありません", Text(error.Message));
    }
}

TEST(FormLoaderTest, BuildsComponentsInOrderWithTheirProperties)
{
    TTestForm* form = new TTestForm(nullptr, TestFormText());
    ASSERT_NE(nullptr, form->Handle());

    char className[32] = "";
    GetClassNameA(form->Handle(), className, sizeof className);
    EXPECT_STREQ("TTestForm", className);
    char caption[32] = "";
    GetWindowTextA(form->Handle(), caption, sizeof caption);
    EXPECT_STREQ("テスト", caption);
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(200, client.right);
    EXPECT_EQ(100, client.bottom);
    const LONG_PTR style = GetWindowLongPtrA(form->Handle(), GWL_STYLE);
    EXPECT_EQ(WS_SYSMENU, style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

    // Creation order is the text's order; the action list holds its action.
    const char* const names[] = {"lbl", "edt", "btnOne", "btnTwo", "list", "act"};
    ASSERT_EQ(6, form->ComponentCount());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(std::string(names[i]), Text(form->Components(i)->Name));
    TActionList* list = dynamic_cast<TActionList*>(form->FindComponent("list"));
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(1, list->ActionCount());
    EXPECT_EQ(form->act, list->Actions(0));

    EXPECT_EQ(form->lbl, form->FindComponent("lbl"));
    EXPECT_EQ(std::string("ラベル"), Text(form->lbl->Caption()));
    EXPECT_TRUE(form->lbl->ParentFont());
    EXPECT_EQ("first", Text(form->edt->Text()));
    EXPECT_EQ(1, form->Changes) << "OnChange was bound before Text";

    // Tab order decides the order of the children.
    HWND first = GetWindow(form->Handle(), GW_CHILD);
    EXPECT_EQ(form->btnOne->Handle(), first);
    HWND second = GetWindow(first, GW_HWNDNEXT);
    EXPECT_EQ(form->edt->Handle(), second);
    EXPECT_EQ(form->btnTwo->Handle(), GetWindow(second, GW_HWNDNEXT));

    form->Free();
    EXPECT_EQ(nullptr, FindWindowA("TTestForm", nullptr));
}
