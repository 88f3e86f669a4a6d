#include "plugin/SettingsFormCode.h"

#include "plugin/FormCodeArtwork.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/FormDesc.h"
#include "toolkit/Registry.h"
#include "toolkit/StdCtrls.h"

// ---------------------------------------------------------------- the registry store

bool TRegistryUserStateStore::ValueExists(const std::string& name) { return registry_.ValueExists(name); }
std::string TRegistryUserStateStore::ReadString(const std::string& name) { return registry_.ReadString(name); }
void TRegistryUserStateStore::WriteString(const std::string& name, const std::string& value) {
    registry_.WriteString(name, value);
}

// ---------------------------------------------------------------- the dialog

TSettingsForm::TSettingsForm(TComponent* owner) : TForm(owner) {
    SetName("SettingsForm");
    SetUpDialog(*this, TFormBorderStyle::bsDialog, TPosition::poScreenCenter, clBtnFace, kClientWidth, kClientHeight);

    Describe(
        *this,
        {
            Row<TLabel>("Label1", 0, 1, 377, 20, "Do you need to use a Proxy Server to connect",
                        DialogLabel(Label1, 16, TLabelGround::Transparent, true)),
            Row<TLabel>("Label2", -8, 19, 385, 21, "to the Internet ?", DialogLabel(Label2, 16, TLabelGround::Transparent, true)),
            Row<TLabel>("Label3", 16, 69, 92, 16, "No Proxy Server", DialogLabel(Label3, 13, TLabelGround::Transparent)),
            Row<TLabel>("Label4", 16, 91, 213, 16, "Address of HTTP Proxy Server to Use",
                        DialogLabel(Label4, 13, TLabelGround::Transparent)),
            Row<TLabel>("Label5", 320, 91, 23, 16, "Port", DialogLabel(Label5, 13, TLabelGround::Transparent)),
            Row<TLabel>("Label6", -6, 42, 385, 21, "If your are unsure check \"No Proxy Server\"",
                        DialogLabel(Label6, 13, TLabelGround::Transparent, true)),
            Row<TBitBtn>("BitBtn1", 75, 144, 57, 25, {},
                         [this](TBitBtn& b) {
                             BitBtn1 = &b;
                             b.SetKind(TBitBtnKind::bkOK);
                             b.TabOrder = 0;
                         }),
            Row<TBitBtn>("BitBtn2", 234, 144, 74, 25, {},
                         [this](TBitBtn& b) {
                             BitBtn2 = &b;
                             b.SetKind(TBitBtnKind::bkCancel);
                             b.TabOrder = 1;
                         }),
            Row<TEdit>("ProxyEdit", 16, 106, 297, 21, {},
                       [this](TEdit& e) {
                           ProxyEdit = &e;
                           e.TabOrder = 2;
                       }),
            Row<TCheckBox>("ProxyCheckBox", 112, 70, 16, 17, {},
                           [this](TCheckBox& c) {
                               ProxyCheckBox = &c;
                               c.TabOrder = 3;
                           }),
            Row<TEdit>("PortEdit", 320, 106, 41, 21, {},
                       [this](TEdit& e) {
                           PortEdit = &e;
                           e.TabOrder = 4;
                       }),
        });

    OnCreate = [this](TObject* s) { FormCreate(s); };
    Handle();
    // A stored value that cannot be read ends at the standard error box; the dialog still opens.
    DoCreate();
}

TSettingsForm::~TSettingsForm() { DestroyComponents(); }

void TSettingsForm::FormCreate(TObject*) {
    registry_ = std::make_unique<TRegistry>();
    registry_->OpenKey(userstate::kKeyPath, true);
    TRegistryUserStateStore store(*registry_);
    TProxyDialogFields fields = ReadProxyDialogFields(store);
    ProxyCheckBox->SetChecked(fields.noProxy);
    ProxyEdit->SetText(fields.address);
    PortEdit->SetText(fields.port);
}

TProxyDialogFields TSettingsForm::Answer() const { return {ProxyCheckBox->Checked(), ProxyEdit->Text(), PortEdit->Text()}; }
