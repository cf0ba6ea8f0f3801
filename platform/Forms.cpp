#include "platform/Forms.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>

#include "platform/FormReader.h"
#include "platform/Resources.h"

HINSTANCE HInstance = GetModuleHandleA(nullptr);

namespace {

TApplication theApplication;

const char kApplicationClass[] = "TApplication";

HICON ApplicationIcon()
{
    return LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
}

}  // namespace

TApplication* Application = &theApplication;

// ---- handlers and their exceptions ------------------------------------------

void ShowCurrentException() noexcept
{
    try {
        throw;
    } catch (const Exception& exception) {
        Application->ShowException(exception);
    } catch (const std::exception& exception) {
        try {
            Application->ShowException(Exception(exception.what()));
        } catch (...) {
        }
    } catch (...) {
        try {
            Application->ShowException(Exception("不明な例外が発生しました"));
        } catch (...) {
        }
    }
}

void RunHandler(const std::function<void()>& code) noexcept
{
    try {
        code();
    } catch (...) {
        ShowCurrentException();
    }
}

// ---- reading a form resource ---------------------------------------------------

namespace {

TComponent* NewComponent(const AnsiString& className, TComponent* owner)
{
    if (className == "TLabel")
        return new TLabel(owner);
    if (className == "TEdit")
        return new TEdit(owner);
    if (className == "TButton")
        return new TButton(owner);
    if (className == "TActionList")
        return new TActionList(owner);
    if (className == "TAction")
        return new TAction(owner);
    return nullptr;
}

}  // namespace

class TFormLoader : public TFormBinder {
public:
    TFormLoader(TForm& form, const TFormClass& formClass) : form_(form), class_(formClass) {}

    void Apply(const TFormObject& root)
    {
        if (root.ClassName != class_.ClassName())
            throw FormError(root.Line, AnsiString("クラス ") + root.ClassName + " のフォームを " +
                                           class_.ClassName() + " として読み込むことはできません");
        form_.Name = root.Name;
        SetProperties(form_, root);
        form_.CreateFormWindow(class_.ClassName());
        for (const TFormObject& child : root.Children)
            CreateComponent(child, form_);

        for (const TFixup& fixup : fixups_) {
            TComponent* component = form_.FindComponent(fixup.Name);
            if (!component)
                throw FormError(fixup.Line, AnsiString("コンポーネント ") + fixup.Name + " が見つかりません");
            fixup.Assign(component);
        }
        for (const TFormClass::TFieldEntry& field : class_.fields_)
            if (!form_.FindComponent(field.Name))
                throw FormError(root.Line, AnsiString("コンポーネント ") + field.Name + " がフォームにありません");
        form_.ApplyTabOrder();
    }

    TNotifyEvent Handler(const TFormProperty& property) override
    {
        if (property.Value.Kind != TFormValueKind::Identifier)
            throw FormError(property.Line, AnsiString("プロパティ ") + property.Name + " の値はハンドラ名でなければなりません");
        for (const TFormClass::THandlerEntry& handler : class_.handlers_)
            if (property.Value.Text == handler.Name)
                return handler.Bind(form_);
        throw FormError(property.Line, AnsiString("ハンドラ ") + property.Value.Text + " はクラス " +
                                           class_.ClassName() + " にありません");
    }

    void Reference(const TFormProperty& property, std::function<void(TComponent*)> assign) override
    {
        if (property.Value.Kind != TFormValueKind::Identifier)
            throw FormError(property.Line, AnsiString("プロパティ ") + property.Name + " の値はコンポーネント名でなければなりません");
        fixups_.push_back({property.Line, property.Value.Text, std::move(assign)});
    }

private:
    struct TFixup {
        int Line;
        AnsiString Name;
        std::function<void(TComponent*)> Assign;
    };

    void SetProperties(TComponent& component, const TFormObject& object)
    {
        for (const TFormProperty& property : object.Properties)
            if (!component.SetProperty(property, *this))
                throw FormError(property.Line, AnsiString("クラス ") + object.ClassName + " にプロパティ " +
                                                   property.Name + " はありません");
    }

    void CreateComponent(const TFormObject& object, TComponent& container)
    {
        if (form_.FindComponent(object.Name))
            throw FormError(object.Line, AnsiString("コンポーネント名 ") + object.Name + " が重複しています");
        TComponent* component = NewComponent(object.ClassName, &form_);
        if (!component)
            throw FormError(object.Line, AnsiString("クラス ") + object.ClassName + " (" + object.Name + ") は不明です");
        component->Name = object.Name;
        // The field refers to the component before its properties are set,
        // so handlers that run meanwhile find it.
        for (const TFormClass::TFieldEntry& field : class_.fields_)
            if (object.Name == field.Name && !field.Assign(form_, component))
                throw FormError(object.Line, AnsiString("コンポーネント ") + object.Name + " のクラスが違います");
        if (!container.AddChild(component))
            throw FormError(object.Line, AnsiString("クラス ") + object.ClassName + " は " + container.Name +
                                             " の中に置けません");
        SetProperties(*component, object);
        for (const TFormObject& child : object.Children)
            CreateComponent(child, *component);
    }

    TForm& form_;
    const TFormClass& class_;
    std::vector<TFixup> fixups_;
};

// ---- TForm -----------------------------------------------------------------------

TForm::TForm(TComponent* owner) : TWinControl(owner)
{
    Font().SetCharset(DEFAULT_CHARSET);
}

TForm::~TForm()
{
    // The controls go first, while the window they stand on still exists.
    DestroyComponents();
    if (Application->mainForm_ == this)
        Application->mainForm_ = nullptr;
}

void TForm::InitializeForm(const TFormClass& formClass)
{
    AnsiString resourceName;
    for (const char* p = formClass.ClassName(); *p; ++p)
        resourceName += static_cast<char>((*p >= 'a' && *p <= 'z') ? *p - 'a' + 'A' : *p);
    TResourceStream stream(HInstance, resourceName, MAKEINTRESOURCEA(10));  // RT_RCDATA
    InitializeForm(formClass, static_cast<const char*>(stream.Memory()), stream.Size());
}

void TForm::InitializeForm(const TFormClass& formClass, const char* text, size_t size)
{
    const TFormObject root = ReadFormText(text, size);
    TFormLoader loader(*this, formClass);
    loader.Apply(root);
}

DWORD TForm::WindowStyle() const noexcept
{
    DWORD style = WS_CLIPCHILDREN;
    switch (BorderStyle) {
    case bsNone:
        style |= WS_POPUP;
        break;
    case bsSingle:
        style |= WS_CAPTION;
        break;
    case bsSizeable:
        style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        style |= WS_CAPTION | DS_MODALFRAME;
        break;
    }
    if (BorderStyle != bsNone && (BorderIcons & biSystemMenu)) {
        style |= WS_SYSMENU;
        if (BorderStyle != bsDialog) {
            if (BorderIcons & biMinimize)
                style |= WS_MINIMIZEBOX;
            if (BorderIcons & biMaximize)
                style |= WS_MAXIMIZEBOX;
        }
    }
    return style;
}

void TForm::CreateFormWindow(const char* className)
{
    RegisterThunkClass(className, ApplicationIcon());
    const DWORD style = WindowStyle();
    RECT rect = {0, 0, clientWidth_, clientHeight_};
    if (!AdjustWindowRectEx(&rect, style, FALSE, 0))
        throw Exception("ウィンドウの大きさを計算できません");
    TControl::SetBounds(Left(), Top(), rect.right - rect.left, rect.bottom - rect.top);
    CreateBoundWindow(className, 0, style, Caption().c_str(), Left(), Top(), Width(), Height(),
                      Application->Handle());
}

void TForm::SetClientSize(int width, int height)
{
    clientWidth_ = width;
    clientHeight_ = height;
    if (!Handle())
        return;
    RECT rect = {0, 0, width, height};
    AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongPtrA(Handle(), GWL_STYLE)), FALSE, 0);
    TControl::SetBounds(Left(), Top(), rect.right - rect.left, rect.bottom - rect.top);
    SetWindowPos(Handle(), nullptr, 0, 0, Width(), Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::ApplyTabOrder()
{
    std::vector<TWinControl*> order;
    for (TControl* control : Controls()) {
        TWinControl* windowed = dynamic_cast<TWinControl*>(control);
        if (windowed && windowed->Handle() && windowed->TabOrder >= 0)
            order.push_back(windowed);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const TWinControl* a, const TWinControl* b) { return a->TabOrder < b->TabOrder; });
    // The dialog keys walk the children in Z order: the first tab stop on top.
    HWND after = HWND_TOP;
    for (TWinControl* control : order) {
        SetWindowPos(control->Handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = control->Handle();
    }
}

void TForm::Show()
{
    if (!Handle())
        return;
    if (Position == poScreenCenter) {
        const int x = (GetSystemMetrics(SM_CXSCREEN) - Width()) / 2;
        const int y = (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2;
        TControl::SetBounds(x, y, Width(), Height());
        SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(Handle(), SW_SHOWNORMAL);
    UpdateWindow(Handle());
}

bool TForm::Visible() const noexcept
{
    return Handle() && IsWindowVisible(Handle());
}

void TForm::Close()
{
    if (Handle())
        ShowWindow(Handle(), SW_HIDE);
    if (Application->MainForm() == this)
        Application->Terminate();
}

void TForm::AfterConstruction() noexcept
{
    if (OnCreate)
        RunHandler([this] { OnCreate(this); });
}

void TForm::BeforeDestruction()
{
    if (OnDestroy)
        RunHandler([this] { OnDestroy(this); });
}

bool TForm::SetProperty(const TFormProperty& property, TFormBinder& binder)
{
    const AnsiString& name = property.Name;
    if (name == "ClientWidth") {
        SetClientSize(IntegerValue(property), clientHeight_);
    } else if (name == "ClientHeight") {
        SetClientSize(clientWidth_, IntegerValue(property));
    } else if (name == "Color") {
        Color = ColorValue(property);
        brush_.Reset();
    } else if (name == "Position") {
        const AnsiString value = property.Value.Text;
        if (property.Value.Kind != TFormValueKind::Identifier || (value != "poDesigned" && value != "poScreenCenter"))
            throw FormError(property.Line, "Position は poDesigned か poScreenCenter でなければなりません");
        Position = value == "poScreenCenter" ? poScreenCenter : poDesigned;
    } else if (name == "BorderStyle") {
        static const char* const names[] = {"bsNone", "bsSingle", "bsSizeable", "bsDialog"};
        int found = -1;
        for (int i = 0; i < 4; ++i)
            if (property.Value.Kind == TFormValueKind::Identifier && property.Value.Text == names[i])
                found = i;
        if (found < 0)
            throw FormError(property.Line, "BorderStyle の値が正しくありません");
        BorderStyle = static_cast<TFormBorderStyle>(found);
    } else if (name == "BorderIcons") {
        if (property.Value.Kind != TFormValueKind::Set)
            throw FormError(property.Line, "BorderIcons の値は集合でなければなりません");
        TBorderIcons icons = 0;
        for (const AnsiString& item : property.Value.Items) {
            if (item == "biSystemMenu")
                icons |= biSystemMenu;
            else if (item == "biMinimize")
                icons |= biMinimize;
            else if (item == "biMaximize")
                icons |= biMaximize;
            else
                throw FormError(property.Line, AnsiString("BorderIcons の値 ") + item + " は不明です");
        }
        BorderIcons = icons;
    } else if (name == "OldCreateOrder") {
        // OnCreate always runs after the whole constructor.
        if (BooleanValue(property))
            throw FormError(property.Line, "OldCreateOrder True には対応していません");
    } else if (name == "PixelsPerInch" || name == "TextHeight") {
        IntegerValue(property);  // the designer's measures; the layout is in pixels already
    } else if (name == "OnCreate") {
        OnCreate = binder.Handler(property);
    } else if (name == "OnDestroy") {
        OnDestroy = binder.Handler(property);
    } else if (name == "OnPaint") {
        OnPaint = binder.Handler(property);
    } else if (name == "Width" || name == "Height" || name == "Cursor" || name == "ParentFont" ||
               name == "OnClick" || name == "TabOrder") {
        return false;  // the form sizes itself by its client area
    } else {
        return TWinControl::SetProperty(property, binder);
    }
    return true;
}

bool TForm::AddChild(TComponent* child)
{
    if (TControl* control = dynamic_cast<TControl*>(child))
        control->SetParent(this);
    return true;
}

TControl* TForm::WindowlessControlAt(LPARAM point) const noexcept
{
    const POINT where = {static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
    const std::vector<TControl*>& controls = Controls();
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
        const RECT rect = (*it)->BoundsRect();
        if ((*it)->IsWindowless() && PtInRect(&rect, where))
            return *it;
    }
    return nullptr;
}

void TForm::Paint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    if (!dc)
        return;
    canvas_.SetHandle(dc);
    if (OnPaint)
        RunHandler([this] { OnPaint(this); });
    for (TControl* control : Controls())
        if (control->IsWindowless())
            RunHandler([control, this] { control->Paint(canvas_); });
    canvas_.SetHandle(nullptr);
    EndPaint(Handle(), &paint);
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        if (!brush_.Get())
            brush_.Reset(CreateSolidBrush(ColorToRGB(Color)));
        RECT rect;
        GetClientRect(Handle(), &rect);
        FillRect(reinterpret_cast<HDC>(wParam), &rect, brush_.Get());
        return 1;
    }
    case WM_PAINT:
        Paint();
        return 0;
    case WM_COMMAND: {
        HWND from = reinterpret_cast<HWND>(lParam);
        if (from && GetParent(from) == Handle()) {
            if (TWindowTarget* target = FromHandle(from))
                RunHandler([target, wParam] { target->DoCommand(HIWORD(wParam)); });
        } else if (!from && LOWORD(wParam) == IDOK) {
            // Enter from the dialog keys: the focused button acts as the default one.
            HWND focus = GetFocus();
            if (focus && GetParent(focus) == Handle())
                if (TButton* button = dynamic_cast<TButton*>(FromHandle(focus)))
                    RunHandler([button] { button->Click(); });
        }
        return 0;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (TWindowTarget* target = FromHandle(reinterpret_cast<HWND>(lParam)))
            if (HBRUSH brush = target->DoControlColor(reinterpret_cast<HDC>(wParam)))
                return reinterpret_cast<LRESULT>(brush);
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == Handle() && LOWORD(lParam) == HTCLIENT) {
            POINT point;
            GetCursorPos(&point);
            ScreenToClient(Handle(), &point);
            TControl* control = WindowlessControlAt(MAKELPARAM(point.x, point.y));
            if (control && control->Cursor == crHandPoint) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN:
        pressed_ = WindowlessControlAt(lParam);
        if (pressed_)
            SetCapture(Handle());
        return 0;
    case WM_LBUTTONUP: {
        TControl* pressed = pressed_;
        pressed_ = nullptr;
        if (pressed) {
            ReleaseCapture();
            const std::vector<TControl*>& controls = Controls();
            if (WindowlessControlAt(lParam) == pressed &&
                std::find(controls.begin(), controls.end(), pressed) != controls.end())
                RunHandler([pressed] { pressed->Click(); });
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        pressed_ = nullptr;
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE && Application->MainForm() == this) {
            Application->Minimize();
            return 0;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(Handle(), focus))
                lastFocus_ = focus;
            return 0;
        }
        if (!HIWORD(wParam)) {  // not minimised
            HWND focus = lastFocus_ && IsChild(Handle(), lastFocus_) && IsWindowEnabled(lastFocus_)
                             ? lastFocus_
                             : GetNextDlgTabItem(Handle(), nullptr, FALSE);
            if (focus) {
                SetFocus(focus);
                return 0;
            }
        }
        break;
    default:
        break;
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

// ---- TApplication ------------------------------------------------------------------

TApplication::TApplication() : TComponent(nullptr)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    AnsiString name(path, length < MAX_PATH ? static_cast<int>(length) : 0);
    // The file name without folder and extension, until a title is set.
    int start = 0, stop = name.Length();
    for (int i = 1; i <= name.Length(); ++i) {
        if (ByteType(name, i) != mbSingleByte)
            continue;
        if (name[i] == '\\' || name[i] == ':')
            start = i, stop = name.Length();
        else if (name[i] == '.')
            stop = i - 1;
    }
    title_ = name.SubString(start + 1, stop - start);
}

TApplication::~TApplication()
{
    // The forms go while the application window they stand on still exists.
    DestroyComponents();
    DestroyBoundWindow();
}

void TApplication::Initialize()
{
    // The common controls are taken by name at run time, not imported: the
    // manifest's side-by-side version 6 answers, else the system folder's,
    // never a DLL lying beside the installer.
    using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    HMODULE comctl = LoadLibraryExA("comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!comctl)
        comctl = LoadLibraryA("comctl32.dll");
    FARPROC proc = comctl ? GetProcAddress(comctl, "InitCommonControlsEx") : nullptr;
    if (proc) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        reinterpret_cast<InitCommonControlsExFn>(reinterpret_cast<void*>(proc))(&controls);
    }
    Handle();
}

void TApplication::SetTitle(const AnsiString& title)
{
    title_ = title;
    if (TWindowTarget::Handle())
        SetWindowTextA(TWindowTarget::Handle(), title_.c_str());
}

HWND TApplication::Handle()
{
    if (!TWindowTarget::Handle()) {
        RegisterThunkClass(kApplicationClass, ApplicationIcon());
        // A visible window without area: it gives the program its taskbar
        // button, which carries the title, while the forms it owns have none.
        CreateBoundWindow(kApplicationClass, 0, WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                          title_.c_str(), GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                          0, 0, nullptr);
    }
    return TWindowTarget::Handle();
}

HWND TApplication::ModalOwner() const noexcept
{
    return mainForm_ && mainForm_->Visible() ? mainForm_->Handle() : nullptr;
}

void TApplication::Run()
{
    if (!mainForm_)
        return;
    ShowWindow(Handle(), SW_SHOWNORMAL);
    mainForm_->Show();
    MSG message;
    while (!terminated_) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        HWND form = mainForm_ ? mainForm_->Handle() : nullptr;
        if (form && (message.hwnd == form || IsChild(form, message.hwnd)) && IsDialogMessageA(form, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void TApplication::Terminate() noexcept
{
    if (!terminated_) {
        terminated_ = true;
        PostQuitMessage(0);
    }
}

void TApplication::Minimize() noexcept
{
    if (TWindowTarget::Handle())
        ShowWindow(TWindowTarget::Handle(), SW_MINIMIZE);
}

void TApplication::ShowException(const Exception& exception) noexcept
{
    HWND owner = ModalOwner();
    MessageBoxA(owner, exception.Message.c_str(), title_.c_str(),
                MB_OK | MB_ICONSTOP | (owner ? 0 : MB_TASKMODAL));
}

LRESULT TApplication::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        if (mainForm_)
            mainForm_->Close();
        return 0;
    case WM_SETFOCUS:
        // Activated from the taskbar: the main form takes the focus.
        if (mainForm_ && mainForm_->Visible() && IsWindowEnabled(mainForm_->Handle())) {
            SetFocus(mainForm_->Handle());
            return 0;
        }
        break;
    default:
        break;
    }
    return TWindowTarget::WndProc(message, wParam, lParam);
}

void ShowMessage(const AnsiString& message)
{
    HWND owner = Application->ModalOwner();
    MessageBoxA(owner, message.c_str(), Application->Title().c_str(), MB_OK | (owner ? 0 : MB_TASKMODAL));
}
