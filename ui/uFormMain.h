// The installer's one window: the background picture, the target directory,
// the link that changes it, and the Start and Cancel buttons.
#pragma once

#include <memory>

#include "platform/Classes.h"
#include "platform/Controls.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"

class TFormMain : public TForm {
public:
    // Components, created and freed by the form from its resource.
    TEdit* edtTargetDir = nullptr;
    TButton* btnStart = nullptr;
    TLabel* lblTargetDir = nullptr;
    TActionList* ActionList = nullptr;
    TButton* btnCancel = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* lblChangePath = nullptr;
    TLabel* Label3 = nullptr;
    TAction* actStart = nullptr;
    TAction* actCancel = nullptr;
    TAction* actChangePath = nullptr;

    // Handlers, bound by name from the form resource.
    void actStartExecute(TObject* Sender);
    void actCancelExecute(TObject* Sender);
    void actChangePathExecute(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void FormPaint(TObject* Sender);
    void FormCreate(TObject* Sender);
    void lblChangePathClick(TObject* Sender);
    void edtTargetDirChange(TObject* Sender);

    explicit TFormMain(TComponent* Owner);
    ~TFormMain() override;

private:
    std::unique_ptr<TBitmap> bmpBackground;
    AnsiString strGameTitle;
    int nPatchType = 0;
    std::unique_ptr<TStringList> lstOutFiles;

    void ApplyPatchType0();
    void WriteOutFiles();

    static const TFormClass& FormClass();
};

extern TFormMain* FormMain;
