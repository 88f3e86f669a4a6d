#include "plugin/FormCode.h"

#include "toolkit/Application.h"

TForm1::TForm1(TComponent* owner, TWinampGeneralPurposePlugin* record) : TForm(owner), record_(record) {
    SetName("Form1");
    // Window properties: no border or title bar, system menu and minimise icons, black, Tahoma 11 px.
    BorderStyle = TFormBorderStyle::bsNone;
    BorderIcons = biSystemMenu | biMinimize;
    Position = TPosition::poScreenCenter;
    SetCaption("QUAVORY");
    SetColor(clBlack);
    TFont f;
    f.Name = "Tahoma";
    f.Height = -11;
    f.Color = clLime;
    SetFont(f);
    SetClientSize(kDesignClientWidth, kDesignClientHeight);

    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnResize = [this](TObject* s) { FormResize(s); };
    OnDeactivate = [this](TObject* s) { FormDeactivate(s); };
    Handle();
    DoCreate();
}

TForm1::~TForm1() { DestroyComponents(); }

void TForm1::FormCreate(TObject*) {}

void TForm1::FormShow(TObject*) {}

void TForm1::FormResize(TObject*) {}

void TForm1::FormDeactivate(TObject*) {}

bool TForm1::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MINIMIZE) {
        // Minimising goes straight to the platform, and the application's forms follow.
        DefWindowProcA(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, lParam);
        if (Application) Application->Minimize();
        result = 0;
        return true;
    }
    return TForm::WndProc(msg, wParam, lParam, result);
}
