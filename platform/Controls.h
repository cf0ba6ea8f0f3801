// Components and controls: the owner tree, the window-procedure thunk, and the
// controls a form is made of (label, edit, button, action list and actions).
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/FormReader.h"
#include "platform/Graphics.h"

class TObject {
public:
    virtual ~TObject() = default;
};

// An event handler: a member function bound to its object, or nothing.
typedef std::function<void(TObject* Sender)> TNotifyEvent;

// Runs code that stands for a handler the message loop called: any
// exception it raises is shown by the application's exception display and
// goes no further. Never throws.
void RunHandler(const std::function<void()>& code) noexcept;

// Shows the exception being handled (call only inside a catch block) through
// the application's exception display. Never throws.
void ShowCurrentException() noexcept;

class TComponent;

// What applying a form resource needs from the form being built: handlers
// by name and component references resolved once every component exists.
class TFormBinder {
public:
    // The handler the form class lists under the value's name; raises
    // EFormError for an unknown name or a value that is no name.
    virtual TNotifyEvent Handler(const TFormProperty& property) = 0;
    // Calls assign with the component named by the value after the whole
    // resource has been read; an unknown name then raises EFormError.
    virtual void Reference(const TFormProperty& property, std::function<void(TComponent*)> assign) = 0;

protected:
    ~TFormBinder() = default;
};

// Value readers for properties; a value of another kind raises EFormError.
int IntegerValue(const TFormProperty& property);
AnsiString StringValue(const TFormProperty& property);
bool BooleanValue(const TFormProperty& property);
TColor ColorValue(const TFormProperty& property);
// Sets Font.Name, Font.Height, Font.Charset, Font.Color or Font.Style;
// false when the property is none of them.
bool SetFontProperty(TFont& font, const TFormProperty& property);

// A component owns the components created with it as their owner and frees
// them, the last created first.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    ~TComponent() override;

    AnsiString Name;
    TComponent* Owner() const noexcept { return owner_; }
    int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    TComponent* FindComponent(const AnsiString& name) const;

    // Runs BeforeDestruction, then deletes the object.
    void Free() noexcept;
    virtual void BeforeDestruction() {}

    // One property of a form resource; false when this class has none such.
    virtual bool SetProperty(const TFormProperty& property, TFormBinder& binder);
    // Takes a child object of the form resource; false when it holds none.
    virtual bool AddChild(TComponent* child);

protected:
    // Frees every owned component now, the last created first.
    void DestroyComponents() noexcept;

private:
    TComponent* owner_;
    std::vector<TComponent*> components_;
};

// Anything bound to a window of its own through the thunk below.
class TWindowTarget {
public:
    TWindowTarget() = default;
    TWindowTarget(const TWindowTarget&) = delete;
    TWindowTarget& operator=(const TWindowTarget&) = delete;

    HWND Handle() const noexcept { return handle_; }

    // A notification a system control sent to its parent about itself.
    virtual void DoCommand(WORD /*code*/) {}
    // The brush and colours a system control asks its parent for; null for the default.
    virtual HBRUSH DoControlColor(HDC /*dc*/) { return nullptr; }

    // The object a window was bound to, or null.
    static TWindowTarget* FromHandle(HWND window) noexcept;

protected:
    virtual ~TWindowTarget() = default;
    // Registers a window class whose procedure is the thunk (once per name).
    static void RegisterThunkClass(const char* className, HICON icon);
    // Creates a window of such a class bound to this object from WM_NCCREATE
    // on; raises Exception when Windows refuses.
    void CreateBoundWindow(const char* className, DWORD exStyle, DWORD style, const char* text,
                           int x, int y, int width, int height, HWND parent);
    // Binds a window of a system class (Edit, Button) after its creation.
    void BindSystemWindow(HWND window) noexcept;
    // Destroys the window after unbinding it, so it calls nothing back.
    void DestroyBoundWindow() noexcept;

    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProcThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND handle_ = nullptr;
};

class TWinControl;

enum TCursor { crDefault = 0, crHandPoint = -21 };

// Something placed on a form, in client pixels of its parent.
class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    int Left() const noexcept { return left_; }
    int Top() const noexcept { return top_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const noexcept;

    TWinControl* Parent() const noexcept { return parent_; }
    virtual void SetParent(TWinControl* parent);

    const AnsiString& Caption() const noexcept { return caption_; }
    virtual void SetCaption(const AnsiString& caption);

    TFont& Font() noexcept { return font_; }
    bool ParentFont() const noexcept { return parentFont_; }
    void SetParentFont(bool parentFont) noexcept { parentFont_ = parentFont; }
    // The font the control draws with: its parent's while ParentFont is set.
    const TFont& DrawingFont() const;

    TCursor Cursor = crDefault;
    TNotifyEvent OnClick;

    bool SetProperty(const TFormProperty& property, TFormBinder& binder) override;

    // Windowless controls paint on their parent's canvas, after the parent's OnPaint.
    virtual bool IsWindowless() const noexcept { return true; }
    virtual void Paint(TCanvas& /*canvas*/) {}
    virtual void Click();
    // Repaints the control's area of its parent.
    void Invalidate() const;

private:
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TWinControl* parent_ = nullptr;
    AnsiString caption_;
    TFont font_;
    bool parentFont_ = true;
};

// A control with a window: a form, or a system control on a form.
class TWinControl : public TControl, public TWindowTarget {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    bool IsWindowless() const noexcept override { return false; }
    void SetBounds(int left, int top, int width, int height) override;
    void SetCaption(const AnsiString& caption) override;

    int TabOrder = -1;

    // Controls placed on this one, in the order they were placed.
    const std::vector<TControl*>& Controls() const noexcept { return controls_; }
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control) noexcept;

    bool SetProperty(const TFormProperty& property, TFormBinder& binder) override;

protected:
    // Creates the system control as a child of the parent's window.
    void CreateSystemChild(const char* className, DWORD style, DWORD exStyle);

private:
    std::vector<TControl*> controls_;
};

// A text drawn on its parent; transparent labels let the parent's picture
// show around their letters.
class TLabel : public TControl {
public:
    explicit TLabel(TComponent* owner) : TControl(owner) {}
    bool Transparent = false;
    bool SetProperty(const TFormProperty& property, TFormBinder& binder) override;
    void Paint(TCanvas& canvas) override;
};

// A one-line text field (a system "Edit").
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);

    AnsiString Text() const;
    // Writes the text unless it is already the field's text; OnChange then
    // runs from the field's change notification.
    void SetText(const AnsiString& text);
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool readOnly);
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color);

    TNotifyEvent OnChange;

    void SetParent(TWinControl* parent) override;
    bool SetProperty(const TFormProperty& property, TFormBinder& binder) override;
    void DoCommand(WORD code) override;
    HBRUSH DoControlColor(HDC dc) override;

private:
    bool readOnly_ = false;
    TColor color_ = clWindow;
    TGdiObject<HBRUSH> brush_;
};

class TAction;

// Something that shows an action: told of every change of it.
class TActionClient {
public:
    virtual void ActionChanged() = 0;
    virtual void ActionGone() noexcept = 0;

protected:
    ~TActionClient() = default;
};

// A command with a caption and an enabled state that the controls bound to
// it show.
class TAction : public TComponent {
public:
    explicit TAction(TComponent* owner) : TComponent(owner) {}
    ~TAction() override;

    const AnsiString& Caption() const noexcept { return caption_; }
    void SetCaption(const AnsiString& caption);
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool enabled);
    TNotifyEvent OnExecute;

    // Runs OnExecute when the action is enabled and has one: true then, else
    // false. Exceptions of the handler pass to the caller.
    bool Execute();

    void AddClient(TActionClient* client);
    void RemoveClient(TActionClient* client) noexcept;

    bool SetProperty(const TFormProperty& property, TFormBinder& binder) override;

private:
    friend class TActionList;
    void Changed();
    class TActionList* list_ = nullptr;
    AnsiString caption_;
    bool enabled_ = true;
    std::vector<TActionClient*> clients_;
};

// Holds the actions of a form; it has no window and shows nothing.
class TActionList : public TComponent {
public:
    explicit TActionList(TComponent* owner) : TComponent(owner) {}
    int ActionCount() const noexcept { return static_cast<int>(actions_.size()); }
    TAction* Actions(int index) const { return actions_.at(static_cast<size_t>(index)); }
    bool SetProperty(const TFormProperty& property, TFormBinder& binder) override;
    bool AddChild(TComponent* child) override;
    void RemoveAction(TAction* action) noexcept;

private:
    std::vector<TAction*> actions_;
};

// A push button (a system "Button"); bound to an action it shows its caption
// and enabled state and runs it when pressed.
class TButton : public TWinControl, private TActionClient {
public:
    explicit TButton(TComponent* owner) : TWinControl(owner) {}
    ~TButton() override;

    TAction* Action() const noexcept { return action_; }
    void SetAction(TAction* action);

    void SetParent(TWinControl* parent) override;
    bool SetProperty(const TFormProperty& property, TFormBinder& binder) override;
    void DoCommand(WORD code) override;
    void Click() override;

private:
    void ActionChanged() override;
    void ActionGone() noexcept override;
    TAction* action_ = nullptr;
};
