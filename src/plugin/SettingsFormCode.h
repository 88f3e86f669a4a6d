// TSettingsForm: the proxy dialog ("Do you need to use a Proxy Server to connect to the
// Internet ?"), and the registry as the store of the user's state. Win32 only.
#pragma once

#include <memory>

#include "plugin/SettingsFormCodeRules.h"
#include "toolkit/Forms.h"

class TLabel;
class TBitBtn;
class TEdit;
class TCheckBox;
class TRegistry;

// The user's state in the registry key the given object has open.
class TRegistryUserStateStore : public TUserStateStore {
public:
    explicit TRegistryUserStateStore(TRegistry& registry) : registry_(registry) {}
    bool ValueExists(const std::string& name) override;
    std::string ReadString(const std::string& name) override;
    void WriteString(const std::string& name, const std::string& value) override;

private:
    TRegistry& registry_;
};

class TSettingsForm : public TForm {
public:
    explicit TSettingsForm(TComponent* owner);
    ~TSettingsForm() override;

    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* Label5 = nullptr;
    TLabel* Label6 = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TBitBtn* BitBtn2 = nullptr;
    TEdit* ProxyEdit = nullptr;
    TCheckBox* ProxyCheckBox = nullptr;
    TEdit* PortEdit = nullptr;

    // Opens the dialog's own handle on the key and fills the fields from it.
    void FormCreate(TObject* Sender);

    // What the dialog holds now: the box and both texts exactly as typed.
    TProxyDialogFields Answer() const;

    static constexpr int kClientWidth = 379;
    static constexpr int kClientHeight = 172;

private:
    std::unique_ptr<TRegistry> registry_;
};
