#include "ui/uFormMain.h"

#include "package/PackageResources.h"
#include "platform/Resources.h"

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

    // --- Start-up set-up continues here: the script, caption, title, patch
    // --- type, target directory search, output list and enabling Start.
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
    // Patch application: to be written.
}

void TFormMain::ApplyPatchType0()
{
    // Patch application: to be written.
}

void TFormMain::WriteOutFiles()
{
    // Patch application: to be written.
}

void TFormMain::lblChangePathClick(TObject* /*Sender*/)
{
    // Target folder selection: to be written.
}

void TFormMain::actChangePathExecute(TObject* /*Sender*/)
{
    // Target folder selection: to be written.
}
