// Forms built from their form resource, and the application object that
// creates them and runs the message loop.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

#include "platform/Controls.h"
#include "platform/Graphics.h"
#include "platform/SysUtils.h"

// The program's own module.
extern HINSTANCE HInstance;

class TForm;

// What a form class tells the form reader about itself: its class name (also
// the name of its window class; its form resource is that name in capitals),
// the fields that receive its components, and its handlers by name.
class TFormClass {
public:
    explicit TFormClass(const char* className) : className_(className) {}

    template <class F, class C>
    TFormClass& Field(const char* name, C* F::*member)
    {
        fields_.push_back({name, [member](TForm& form, TComponent* component) {
                               C* typed = dynamic_cast<C*>(component);
                               if (!typed)
                                   return false;
                               static_cast<F&>(form).*member = typed;
                               return true;
                           }});
        return *this;
    }

    template <class F>
    TFormClass& Handler(const char* name, void (F::*method)(TObject*))
    {
        handlers_.push_back({name, [method](TForm& form) -> TNotifyEvent {
                                 F* target = &static_cast<F&>(form);
                                 return [target, method](TObject* sender) { (target->*method)(sender); };
                             }});
        return *this;
    }

    const char* ClassName() const noexcept { return className_; }

private:
    friend class TFormLoader;
    struct TFieldEntry {
        const char* Name;
        std::function<bool(TForm&, TComponent*)> Assign;
    };
    struct THandlerEntry {
        const char* Name;
        std::function<TNotifyEvent(TForm&)> Bind;
    };
    const char* className_;
    std::vector<TFieldEntry> fields_;
    std::vector<THandlerEntry> handlers_;
};

enum TPosition { poDesigned, poScreenCenter };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum TBorderIcon { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
typedef unsigned TBorderIcons;

// A top-level window whose controls its form resource describes. A derived
// class builds itself in its constructor with InitializeForm; whoever creates
// it then calls AfterConstruction, which runs OnCreate (the creation handler
// runs after the whole constructor). Free it with Free(), which runs OnDestroy.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    TCanvas* const Canvas = &canvas_;
    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnPaint;

    TColor Color = clBtnFace;
    TPosition Position = poDesigned;
    TFormBorderStyle BorderStyle = bsSizeable;
    TBorderIcons BorderIcons = biSystemMenu | biMinimize | biMaximize;

    int ClientWidth() const noexcept { return clientWidth_; }
    int ClientHeight() const noexcept { return clientHeight_; }
    void SetClientSize(int width, int height);

    // Shows the window, centred on the screen when Position asks for it.
    void Show();
    bool Visible() const noexcept;
    // Hides the window; closing the main form ends the application's Run.
    void Close();

    void AfterConstruction() noexcept;
    void BeforeDestruction() override;

    bool SetProperty(const TFormProperty& property, TFormBinder& binder) override;
    bool AddChild(TComponent* child) override;

protected:
    // Builds the window and its components from the form resource named after
    // the class: RCDATA, text as FormReader.h describes, code page 932.
    // Raises EResNotFound or EFormError.
    void InitializeForm(const TFormClass& formClass);
    // The same from the given form text.
    void InitializeForm(const TFormClass& formClass, const char* text, size_t size);

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class TFormLoader;
    void CreateFormWindow(const char* className);
    DWORD WindowStyle() const noexcept;
    void ApplyTabOrder();
    TControl* WindowlessControlAt(LPARAM point) const noexcept;
    void Paint();

    TCanvas canvas_;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    TGdiObject<HBRUSH> brush_;
    TControl* pressed_ = nullptr;
    HWND lastFocus_ = nullptr;
};

// The application: its hidden window carries the title (the taskbar button
// and the caption of message boxes) and owns every form; the first form
// created is the main form, whose closing ends Run.
class TApplication : public TComponent, public TWindowTarget {
public:
    TApplication();
    ~TApplication() override;

    void Initialize();

    const AnsiString& Title() const noexcept { return title_; }
    void SetTitle(const AnsiString& title);

    // Constructs a form owned by the application, points the reference at it,
    // makes it the main form when it is the first, then runs its OnCreate.
    template <class T>
    void CreateForm(T*& reference)
    {
        T* form = new T(this);
        reference = form;
        if (!mainForm_)
            mainForm_ = form;
        form->AfterConstruction();
    }

    TForm* MainForm() const noexcept { return mainForm_; }
    // Shows the main form and runs the message loop until it is closed.
    void Run();
    void Terminate() noexcept;
    void Minimize() noexcept;
    // A message box with the exception's message and the title as caption.
    void ShowException(const Exception& exception) noexcept;

    // The application window, created when first asked for.
    HWND Handle();
    // The window message boxes are owned by: the main form while it is
    // visible, else none.
    HWND ModalOwner() const noexcept;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class TForm;
    AnsiString title_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
};

extern TApplication* Application;

// A modal box with the message, centred on the screen, captioned with the
// application's title, with one OK button.
void ShowMessage(const AnsiString& message);
