#include "ui/uFormMain.h"

#include <cstring>

#include "package/PackageResources.h"
#include "package/ttinycnf.h"
#include "platform/Resources.h"
#include "platform/SysUtils.h"
#include "support/tqxfile.h"
#include "ui/FolderDialog.h"

namespace {

// Messages of the start-up: two lines joined by one line feed.
const char* const MsgNoLinkPath = "初期化に失敗しました\n\"LinkPath\"セクションが見つかりません";
const char* const MsgGameNotFound =
    "プログラムメニュー内に対象ソフトが見つかりません\n対象ソフトがインストールされていない可能性があります";
const char* const MsgNoOutFiles = "初期化に失敗しました\n\"OutFiles\"セクションが見つかりません";

const char* const MsgPatchDone = "修正処理が正常に終了しました";
const char* const MsgPatchFailed = "修正に失敗しました";
const char* const CaptionExit = "終了(&X)";

// The folder dialog's instruction: the game title in double quotes.
const char* const FolderDialogTitleFormat = "\"%s\"がインストールされているディレクトリを指定してください";

// Raised when Start finds no list of output files to write.
class ENoOutputList : public Exception {
public:
    ENoOutputList() : Exception("出力ファイルの一覧がありません") {}
};

}  // namespace

TFormMain* FormMain = nullptr;

const TFormClass& TFormMain::FormClass()
{
    static const TFormClass formClass = TFormClass("TFormMain")
        .Field("edtTargetDir", &TFormMain::edtTargetDir)
        .Field("btnStart", &TFormMain::btnStart)
        .Field("lblTargetDir", &TFormMain::lblTargetDir)
        .Field("ActionList", &TFormMain::ActionList)
        .Field("btnCancel", &TFormMain::btnCancel)
        .Field("Label1", &TFormMain::Label1)
        .Field("lblChangePath", &TFormMain::lblChangePath)
        .Field("Label3", &TFormMain::Label3)
        .Field("actStart", &TFormMain::actStart)
        .Field("actCancel", &TFormMain::actCancel)
        .Field("actChangePath", &TFormMain::actChangePath)
        .Handler("actStartExecute", &TFormMain::actStartExecute)
        .Handler("actCancelExecute", &TFormMain::actCancelExecute)
        .Handler("actChangePathExecute", &TFormMain::actChangePathExecute)
        .Handler("FormDestroy", &TFormMain::FormDestroy)
        .Handler("FormPaint", &TFormMain::FormPaint)
        .Handler("FormCreate", &TFormMain::FormCreate)
        .Handler("lblChangePathClick", &TFormMain::lblChangePathClick)
        .Handler("edtTargetDirChange", &TFormMain::edtTargetDirChange);
    return formClass;
}

TFormMain::TFormMain(TComponent* Owner) : TForm(Owner)
{
    InitializeForm(FormClass());
    bmpBackground.reset();
    strGameTitle = AnsiString();
    nPatchType = 0;
    lstOutFiles.reset();
}

TFormMain::~TFormMain()
{
    lstOutFiles.reset();
    strGameTitle = AnsiString();
    bmpBackground.reset();
}

void TFormMain::FormCreate(TObject* /*Sender*/)
{
    bmpBackground.reset(new TBitmap());
    std::unique_ptr<TResourceStream> stream(
        new TResourceStream(HInstance, RESOURCE_BACKGROUND, RESOURCE_BACKGROUND_TYPE));
    bmpBackground->LoadFromStream(*stream);

    // The script's stream takes the place of the background's.
    stream.reset();
    stream.reset(new TResourceStream(HInstance, RESOURCE_SCRIPT, RESOURCE_SCRIPT_TYPE));
    TStringList lines;
    lines.LoadFromStream(*stream);
    const TTinyCnf cnf(lines);

    AnsiString value;
    if (cnf.GetValue("*Caption", value))
        SetCaption(value);
    if (cnf.GetValue("*GameTitle", value))
        strGameTitle = value;
    if (cnf.GetValue("*PatchType", value))
        nPatchType = StrToIntDef(value, 1);

    lines.Clear();
    if (!cnf.GetList("%LinkPath", lines)) {
        ShowMessage(MsgNoLinkPath);
        return;
    }

    bool found = false;
    {
        std::unique_ptr<TqxFile> qxFile(new TqxFile());
        char target[MAX_PATH];
        WIN32_FIND_DATAA findData;
        DWORD mask = 0;
        AnsiString shortcut;
        for (int i = 0; i < lines.Count() && !found; ++i) {
            if (!qxFile->FindProgramsShortcut(lines[i], shortcut, mask))
                continue;
            if (!qxFile->ResolveShortcut(shortcut.c_str(), target, &findData))
                continue;
            const AnsiString targetPath(target, static_cast<int>(strnlen(target, MAX_PATH)));
            // A link without a file-system target names no directory: an empty
            // text would become a lone backslash, the root of the current drive.
            if (targetPath.IsEmpty())
                continue;
            edtTargetDir->SetText(IncludeTrailingBackslash(ExtractFilePath(targetPath)));
            found = true;
        }
    }
    if (!found) {
        ShowMessage(MsgGameNotFound);
        return;
    }

    lstOutFiles.reset(new TStringList());
    if (!cnf.GetList("%OutFiles", *lstOutFiles) && nPatchType == 1) {
        // Without its list a patch of type 1 has nothing it could write; no
        // list left behind makes Start report failure rather than success.
        lstOutFiles.reset();
        ShowMessage(MsgNoOutFiles);
        return;
    }
    actStart->SetEnabled(true);
}

void TFormMain::FormPaint(TObject* /*Sender*/)
{
    if (bmpBackground)
        Canvas->Draw(0, 0, *bmpBackground);
}

void TFormMain::FormDestroy(TObject* /*Sender*/)
{
}

void TFormMain::edtTargetDirChange(TObject* /*Sender*/)
{
    actStart->SetEnabled(!edtTargetDir->Text().IsEmpty());
}

void TFormMain::actCancelExecute(TObject* /*Sender*/)
{
    Close();
}

void TFormMain::actStartExecute(TObject* /*Sender*/)
{
    actStart->SetEnabled(false);
    actCancel->SetEnabled(false);
    switch (nPatchType) {
    case 0:
        ApplyPatchType0();
        break;
    case 1:
        WriteOutFiles();
        break;
    default:
        break;
    }
    actCancel->SetEnabled(true);
}

void TFormMain::ApplyPatchType0()
{
}

void TFormMain::WriteOutFiles()
{
    try {
        if (!lstOutFiles)
            throw ENoOutputList();
        std::unique_ptr<TResourceStream> stream;
        for (int n = 0; n < lstOutFiles->Count(); ++n) {
            const AnsiString item = (*lstOutFiles)[n];
            if (item.IsEmpty())
                continue;
            const AnsiString outputPath = edtTargetDir->Text() + item;
            const AnsiString resourceName = Format(RESOURCE_FILE_FORMAT, n);
            stream.reset();
            stream.reset(new TResourceStream(HInstance, resourceName, RESOURCE_FILE_TYPE));
            stream->SaveToFile(outputPath);
        }
        stream.reset();
    } catch (...) {
        ShowMessage(MsgPatchFailed);
        return;
    }
    ShowMessage(MsgPatchDone);
    actCancel->SetCaption(CaptionExit);
}

void TFormMain::lblChangePathClick(TObject* /*Sender*/)
{
    actChangePath->Execute();
}

void TFormMain::actChangePathExecute(TObject* /*Sender*/)
{
    const AnsiString title = Format(FolderDialogTitleFormat, strGameTitle.c_str());
    const AnsiString initialPath = edtTargetDir->Text();
    const AnsiString chosen = BrowseForFolder(Handle(), nullptr, title, initialPath);
    if (!chosen.IsEmpty())
        edtTargetDir->SetText(IncludeTrailingBackslash(chosen));
}
