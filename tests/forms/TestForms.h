// Small forms built from form texts given by the tests.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/Forms.h"

// A form without fields, with two handlers; for texts the loader refuses.
class TBareForm : public TForm {
public:
    TBareForm(TComponent* owner, const std::string& text) : TForm(owner)
    {
        InitializeForm(Class(), text.data(), text.size());
    }
    void Clicked(TObject*) {}

    static const TFormClass& Class()
    {
        static const TFormClass formClass = TFormClass("TBareForm").Handler("Clicked", &TBareForm::Clicked);
        return formClass;
    }
};

// A form with a label, an edit, two buttons bound to one action and a
// handler for each event, counting what ran.
class TTestForm : public TForm {
public:
    TLabel* lbl = nullptr;
    TEdit* edt = nullptr;
    TButton* btnOne = nullptr;
    TButton* btnTwo = nullptr;
    TAction* act = nullptr;

    int Changes = 0;
    int Executes = 0;
    int Clicks = 0;
    // What Executed raises: 0 nothing, 1 an Exception, 2 a std::exception.
    int Raise = 0;

    void Changed(TObject* sender)
    {
        EXPECT_EQ(edt, sender);
        ++Changes;
    }
    void Executed(TObject* sender)
    {
        EXPECT_EQ(act, sender);
        ++Executes;
        if (Raise == 1)
            throw Exception("handler failed");
        if (Raise == 2)
            throw std::runtime_error("standard failure");
    }
    void Clicked(TObject*) { ++Clicks; }

    TTestForm(TComponent* owner, const std::string& text) : TForm(owner)
    {
        InitializeForm(Class(), text.data(), text.size());
    }

    static const TFormClass& Class()
    {
        static const TFormClass formClass = TFormClass("TTestForm")
            .Field("lbl", &TTestForm::lbl)
            .Field("edt", &TTestForm::edt)
            .Field("btnOne", &TTestForm::btnOne)
            .Field("btnTwo", &TTestForm::btnTwo)
            .Field("act", &TTestForm::act)
            .Handler("Changed", &TTestForm::Changed)
            .Handler("Executed", &TTestForm::Executed)
            .Handler("Clicked", &TTestForm::Clicked);
        return formClass;
    }
};

inline const char* TestFormText()
{
    return "object TestForm: TTestForm\n"
           "  BorderStyle = bsSingle\n"
           "  BorderIcons = [biSystemMenu]\n"
           "  Caption = 'テスト'\n"
           "  ClientWidth = 200\n"
           "  ClientHeight = 100\n"
           "  object lbl: TLabel\n"
           "    Left = 10\n"
           "    Top = 10\n"
           "    Width = 40\n"
           "    Height = 12\n"
           "    Caption = 'ラベル'\n"
           "    OnClick = Clicked\n"
           "  end\n"
           "  object edt: TEdit\n"
           "    Left = 10\n"
           "    Top = 30\n"
           "    Width = 100\n"
           "    Height = 20\n"
           "    OnChange = Changed\n"
           "    Text = 'first'\n"
           "    TabOrder = 1\n"
           "  end\n"
           "  object btnOne: TButton\n"
           "    Left = 120\n"
           "    Top = 30\n"
           "    Width = 70\n"
           "    Height = 25\n"
           "    Action = act\n"
           "    TabOrder = 0\n"
           "  end\n"
           "  object btnTwo: TButton\n"
           "    Left = 120\n"
           "    Top = 60\n"
           "    Width = 70\n"
           "    Height = 25\n"
           "    Action = act\n"
           "    TabOrder = 2\n"
           "  end\n"
           "  object list: TActionList\n"
           "    object act: TAction\n"
           "      Caption = '実行(&R)'\n"
           "      OnExecute = Executed\n"
           "    end\n"
           "  end\n"
           "end\n";
}
