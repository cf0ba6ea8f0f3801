#include "platform/Controls.h"

#include <algorithm>

#include "platform/SysUtils.h"

// ---- property values -------------------------------------------------------

namespace {

AnsiString KindMismatch(const TFormProperty& property, const char* wanted)
{
    return AnsiString("プロパティ ") + property.Name + " の値は" + wanted + "でなければなりません";
}

struct TNamedValue {
    const char* Name;
    int Value;
};

const TNamedValue kColors[] = {
    {"clBlack", clBlack},         {"clBlue", clBlue},       {"clWhite", clWhite},
    {"clBtnFace", clBtnFace},     {"clWindow", clWindow},   {"clWindowText", clWindowText},
    {"clInfoBk", clInfoBk},
};

const TNamedValue kCharsets[] = {
    {"ANSI_CHARSET", ANSI_CHARSET},
    {"DEFAULT_CHARSET", DEFAULT_CHARSET},
    {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET},
};

const TNamedValue kFontStyles[] = {
    {"fsBold", fsBold}, {"fsItalic", fsItalic}, {"fsUnderline", fsUnderline}, {"fsStrikeOut", fsStrikeOut},
};

const TNamedValue kCursors[] = {{"crDefault", crDefault}, {"crHandPoint", crHandPoint}};

template <size_t N>
int NamedOrInteger(const TFormProperty& property, const TNamedValue (&names)[N])
{
    if (property.Value.Kind == TFormValueKind::Integer)
        return property.Value.Integer;
    if (property.Value.Kind == TFormValueKind::Identifier) {
        for (const TNamedValue& named : names)
            if (property.Value.Text == named.Name)
                return named.Value;
        throw FormError(property.Line, AnsiString("プロパティ ") + property.Name + " の値 " +
                                           property.Value.Text + " は不明です");
    }
    throw FormError(property.Line, KindMismatch(property, "名前か数値"));
}

template <size_t N>
int NamedSet(const TFormProperty& property, const TNamedValue (&names)[N])
{
    if (property.Value.Kind != TFormValueKind::Set)
        throw FormError(property.Line, KindMismatch(property, "集合"));
    int bits = 0;
    for (const AnsiString& item : property.Value.Items) {
        bool known = false;
        for (const TNamedValue& named : names)
            if (item == named.Name) {
                bits |= named.Value;
                known = true;
            }
        if (!known)
            throw FormError(property.Line,
                            AnsiString("プロパティ ") + property.Name + " の値 " + item + " は不明です");
    }
    return bits;
}

}  // namespace

int IntegerValue(const TFormProperty& property)
{
    if (property.Value.Kind != TFormValueKind::Integer)
        throw FormError(property.Line, KindMismatch(property, "数値"));
    return property.Value.Integer;
}

AnsiString StringValue(const TFormProperty& property)
{
    if (property.Value.Kind != TFormValueKind::String)
        throw FormError(property.Line, KindMismatch(property, "文字列"));
    return property.Value.Text;
}

bool BooleanValue(const TFormProperty& property)
{
    if (property.Value.Kind == TFormValueKind::Identifier) {
        if (property.Value.Text == "True")
            return true;
        if (property.Value.Text == "False")
            return false;
    }
    throw FormError(property.Line, KindMismatch(property, " True か False "));
}

TColor ColorValue(const TFormProperty& property)
{
    return NamedOrInteger(property, kColors);
}

bool SetFontProperty(TFont& font, const TFormProperty& property)
{
    if (property.Name == "Font.Name")
        font.SetName(StringValue(property));
    else if (property.Name == "Font.Height")
        font.SetHeight(IntegerValue(property));
    else if (property.Name == "Font.Charset")
        font.SetCharset(NamedOrInteger(property, kCharsets));
    else if (property.Name == "Font.Color")
        font.SetColor(ColorValue(property));
    else if (property.Name == "Font.Style")
        font.SetStyle(static_cast<TFontStyles>(NamedSet(property, kFontStyles)));
    else
        return false;
    return true;
}

// ---- TComponent ------------------------------------------------------------

TComponent::TComponent(TComponent* owner) : owner_(owner)
{
    if (owner_)
        owner_->components_.push_back(this);
}

TComponent::~TComponent()
{
    DestroyComponents();
    if (owner_) {
        auto& list = owner_->components_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void TComponent::DestroyComponents() noexcept
{
    while (!components_.empty())
        components_.back()->Free();  // its destructor takes it off the list
}

TComponent* TComponent::FindComponent(const AnsiString& name) const
{
    for (TComponent* component : components_)
        if (component->Name == name)
            return component;
    return nullptr;
}

void TComponent::Free() noexcept
{
    try {
        BeforeDestruction();
    } catch (...) {
        ShowCurrentException();
    }
    delete this;
}

bool TComponent::SetProperty(const TFormProperty&, TFormBinder&)
{
    return false;
}

bool TComponent::AddChild(TComponent*)
{
    return false;
}

// ---- the window-procedure thunk ---------------------------------------------

TWindowTarget* TWindowTarget::FromHandle(HWND window) noexcept
{
    return window ? reinterpret_cast<TWindowTarget*>(GetWindowLongPtrA(window, GWLP_USERDATA)) : nullptr;
}

void TWindowTarget::RegisterThunkClass(const char* className, HICON icon)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, className, &existing))
        return;
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &TWindowTarget::WindowProcThunk;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    if (!RegisterClassExA(&windowClass))
        throw Exception(AnsiString("ウィンドウ クラス ") + className + " を登録できません");
}

void TWindowTarget::CreateBoundWindow(const char* className, DWORD exStyle, DWORD style, const char* text,
                                      int x, int y, int width, int height, HWND parent)
{
    HWND window = CreateWindowExA(exStyle, className, text, style, x, y, width, height, parent, nullptr,
                                  GetModuleHandleA(nullptr), this);
    if (!window)
        throw Exception(AnsiString("ウィンドウ ") + className + " を作成できません");
    handle_ = window;
}

void TWindowTarget::BindSystemWindow(HWND window) noexcept
{
    handle_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void TWindowTarget::DestroyBoundWindow() noexcept
{
    if (!handle_)
        return;
    HWND window = handle_;
    handle_ = nullptr;
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

LRESULT TWindowTarget::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT CALLBACK TWindowTarget::WindowProcThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TWindowTarget* target;
    if (message == WM_NCCREATE) {
        target = static_cast<TWindowTarget*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(target));
        if (target)
            target->handle_ = window;
    } else {
        target = FromHandle(window);
    }
    if (!target)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        target->handle_ = nullptr;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // Handlers catch what they raise; this is the last stop before Windows.
    try {
        return target->WndProc(message, wParam, lParam);
    } catch (...) {
        ShowCurrentException();
        return 0;
    }
}

// ---- TControl ---------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl()
{
    if (parent_)
        parent_->RemoveControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (IsWindowless())
        Invalidate();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (IsWindowless())
        Invalidate();
}

RECT TControl::BoundsRect() const noexcept
{
    RECT rect = {left_, top_, left_ + width_, top_ + height_};
    return rect;
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent_ == parent)
        return;
    if (parent_)
        parent_->RemoveControl(this);
    parent_ = parent;
    if (parent_)
        parent_->InsertControl(this);
}

void TControl::SetCaption(const AnsiString& caption)
{
    caption_ = caption;
    Invalidate();
}

const TFont& TControl::DrawingFont() const
{
    return parentFont_ && parent_ ? parent_->DrawingFont() : font_;
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
}

void TControl::Invalidate() const
{
    if (parent_ && parent_->Handle()) {
        const RECT rect = BoundsRect();
        InvalidateRect(parent_->Handle(), &rect, TRUE);
    }
}

bool TControl::SetProperty(const TFormProperty& property, TFormBinder& binder)
{
    const AnsiString& name = property.Name;
    if (name == "Left")
        SetBounds(IntegerValue(property), top_, width_, height_);
    else if (name == "Top")
        SetBounds(left_, IntegerValue(property), width_, height_);
    else if (name == "Width")
        SetBounds(left_, top_, IntegerValue(property), height_);
    else if (name == "Height")
        SetBounds(left_, top_, width_, IntegerValue(property));
    else if (name == "Caption")
        SetCaption(StringValue(property));
    else if (name == "ParentFont")
        parentFont_ = BooleanValue(property);
    else if (name == "Cursor")
        Cursor = static_cast<TCursor>(NamedOrInteger(property, kCursors));
    else if (name == "OnClick")
        OnClick = binder.Handler(property);
    else if (SetFontProperty(font_, property))
        parentFont_ = false;  // a font of its own
    else
        return TComponent::SetProperty(property, binder);
    return true;
}

// ---- TWinControl -------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl()
{
    DestroyBoundWindow();
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    TControl::SetBounds(left, top, width, height);
    if (Handle() && Parent())
        SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::SetCaption(const AnsiString& caption)
{
    TControl::SetCaption(caption);
    if (Handle())
        SetWindowTextA(Handle(), caption.c_str());
}

void TWinControl::InsertControl(TControl* control)
{
    controls_.push_back(control);
}

void TWinControl::RemoveControl(TControl* control) noexcept
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

bool TWinControl::SetProperty(const TFormProperty& property, TFormBinder& binder)
{
    if (property.Name == "TabOrder") {
        TabOrder = IntegerValue(property);
        return true;
    }
    return TControl::SetProperty(property, binder);
}

void TWinControl::CreateSystemChild(const char* className, DWORD style, DWORD exStyle)
{
    TWinControl* parent = Parent();
    HWND window = CreateWindowExA(exStyle, className, Caption().c_str(), WS_CHILD | WS_VISIBLE | style, Left(),
                                  Top(), Width(), Height(), parent->Handle(), nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window)
        throw Exception(AnsiString("コントロール ") + Name + " を作成できません");
    // Identifiers start above IDOK and IDCANCEL, which the dialog keys send.
    SetWindowLongPtrA(window, GWLP_ID, 100 + static_cast<LONG_PTR>(parent->Controls().size()));
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(DrawingFont().Handle()), FALSE);
    BindSystemWindow(window);
}

// ---- TLabel ---------------------------------------------------------------------

bool TLabel::SetProperty(const TFormProperty& property, TFormBinder& binder)
{
    if (property.Name == "Transparent") {
        Transparent = BooleanValue(property);
        return true;
    }
    return TControl::SetProperty(property, binder);
}

void TLabel::Paint(TCanvas& canvas)
{
    HDC dc = canvas.Handle();
    RECT rect = BoundsRect();
    if (!Transparent && Parent()) {
        TGdiObject<HBRUSH> brush(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
        FillRect(dc, &rect, brush.Get());
    }
    const TFont& font = DrawingFont();
    HGDIOBJ oldFont = SelectObject(dc, font.Handle());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc, ColorToRGB(font.Color()));
    // Clipped to the label's bounds, as laid out: a wider substitute font
    // must not write over the label beside it.
    DrawTextA(dc, Caption().c_str(), Caption().Length(), &rect, DT_LEFT | DT_TOP | DT_SINGLELINE);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}

// ---- TEdit ---------------------------------------------------------------------

TEdit::TEdit(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 121, 21);
}

void TEdit::SetParent(TWinControl* parent)
{
    TWinControl::SetParent(parent);
    if (parent && !Handle())
        CreateSystemChild("Edit", WS_TABSTOP | ES_AUTOHSCROLL | (readOnly_ ? ES_READONLY : 0), WS_EX_CLIENTEDGE);
}

AnsiString TEdit::Text() const
{
    if (!Handle())
        return AnsiString();
    const int length = GetWindowTextLengthA(Handle());
    if (length <= 0)
        return AnsiString();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    const int got = GetWindowTextA(Handle(), buffer.data(), length + 1);
    return AnsiString(buffer.data(), got > 0 ? got : 0);
}

void TEdit::SetText(const AnsiString& text)
{
    if (!Handle())
        throw Exception(AnsiString("コントロール ") + Name + " にウィンドウがありません");
    if (Text() == text)
        return;
    if (!SetWindowTextA(Handle(), text.c_str()))
        throw Exception(AnsiString("コントロール ") + Name + " に文字列を設定できません");
}

void TEdit::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    if (Handle())
        SendMessageA(Handle(), EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void TEdit::SetColor(TColor color)
{
    color_ = color;
    brush_.Reset();
    if (Handle())
        InvalidateRect(Handle(), nullptr, TRUE);
}

bool TEdit::SetProperty(const TFormProperty& property, TFormBinder& binder)
{
    if (property.Name == "ReadOnly")
        SetReadOnly(BooleanValue(property));
    else if (property.Name == "Color")
        SetColor(ColorValue(property));
    else if (property.Name == "Text")
        SetText(StringValue(property));
    else if (property.Name == "OnChange")
        OnChange = binder.Handler(property);
    else
        return TWinControl::SetProperty(property, binder);
    return true;
}

void TEdit::DoCommand(WORD code)
{
    if (code == EN_CHANGE && OnChange)
        OnChange(this);
}

HBRUSH TEdit::DoControlColor(HDC dc)
{
    if (!brush_.Get())
        brush_.Reset(CreateSolidBrush(ColorToRGB(color_)));
    SetBkColor(dc, ColorToRGB(color_));
    SetTextColor(dc, ColorToRGB(DrawingFont().Color()));
    return brush_.Get();
}

// ---- TAction, TActionList -----------------------------------------------------------

TAction::~TAction()
{
    if (list_)
        list_->RemoveAction(this);
    std::vector<TActionClient*> clients;
    clients.swap(clients_);
    for (TActionClient* client : clients)
        client->ActionGone();
}

void TAction::SetCaption(const AnsiString& caption)
{
    if (caption_ == caption)
        return;
    caption_ = caption;
    Changed();
}

void TAction::SetEnabled(bool enabled)
{
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    Changed();
}

bool TAction::Execute()
{
    if (!enabled_ || !OnExecute)
        return false;
    OnExecute(this);
    return true;
}

void TAction::AddClient(TActionClient* client)
{
    clients_.push_back(client);
}

void TAction::RemoveClient(TActionClient* client) noexcept
{
    clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
}

void TAction::Changed()
{
    for (TActionClient* client : std::vector<TActionClient*>(clients_))
        client->ActionChanged();
}

bool TAction::SetProperty(const TFormProperty& property, TFormBinder& binder)
{
    if (property.Name == "Caption")
        SetCaption(StringValue(property));
    else if (property.Name == "Enabled")
        SetEnabled(BooleanValue(property));
    else if (property.Name == "OnExecute")
        OnExecute = binder.Handler(property);
    else
        return TComponent::SetProperty(property, binder);
    return true;
}

bool TActionList::SetProperty(const TFormProperty& property, TFormBinder& binder)
{
    // The designer's place of the list; it has nothing to show.
    if (property.Name == "Left" || property.Name == "Top") {
        IntegerValue(property);
        return true;
    }
    return TComponent::SetProperty(property, binder);
}

bool TActionList::AddChild(TComponent* child)
{
    TAction* action = dynamic_cast<TAction*>(child);
    if (!action)
        return false;
    action->list_ = this;
    actions_.push_back(action);
    return true;
}

void TActionList::RemoveAction(TAction* action) noexcept
{
    actions_.erase(std::remove(actions_.begin(), actions_.end(), action), actions_.end());
}

// ---- TButton ----------------------------------------------------------------------

TButton::~TButton()
{
    if (action_)
        action_->RemoveClient(this);
}

void TButton::SetParent(TWinControl* parent)
{
    TWinControl::SetParent(parent);
    if (parent && !Handle()) {
        CreateSystemChild("Button", WS_TABSTOP | BS_PUSHBUTTON, 0);
        if (action_)
            ActionChanged();
    }
}

void TButton::SetAction(TAction* action)
{
    if (action_ == action)
        return;
    if (action_)
        action_->RemoveClient(this);
    action_ = action;
    if (action_) {
        action_->AddClient(this);
        ActionChanged();
    }
}

void TButton::ActionChanged()
{
    SetCaption(action_->Caption());
    if (!Handle())
        return;
    const bool enable = action_->Enabled();
    if (!enable && GetFocus() == Handle() && Parent() && Parent()->Handle()) {
        // A disabled window keeps no focus: hand it on, as the Tab key would.
        HWND next = GetNextDlgTabItem(Parent()->Handle(), Handle(), FALSE);
        if (next && next != Handle())
            SetFocus(next);
    }
    EnableWindow(Handle(), enable ? TRUE : FALSE);
}

void TButton::ActionGone() noexcept
{
    action_ = nullptr;
}

bool TButton::SetProperty(const TFormProperty& property, TFormBinder& binder)
{
    if (property.Name == "Action") {
        const int line = property.Line;
        binder.Reference(property, [this, line](TComponent* component) {
            TAction* action = dynamic_cast<TAction*>(component);
            if (!action)
                throw FormError(line, AnsiString("コンポーネント ") + component->Name + " はアクションではありません");
            SetAction(action);
        });
        return true;
    }
    return TWinControl::SetProperty(property, binder);
}

void TButton::DoCommand(WORD code)
{
    if (code == BN_CLICKED)
        Click();
}

void TButton::Click()
{
    if (action_)
        action_->Execute();
    else
        TWinControl::Click();
}
