// TForm1: the plug-in's main window. A borderless black window captioned "QUAVORY", owned by the
// application object but not its main form, so closing it only hides it.
#pragma once

#include <string>

#include "toolkit/Forms.h"

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);
    ~TForm1() override;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormResize(TObject* Sender);
    void FormDeactivate(TObject* Sender);

    bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The window's design size and colours.
    static constexpr int kDesignClientWidth = 564;
    static constexpr int kDesignClientHeight = 492;
};
