// TTagForm: the missing-tag dialog. Asks for title, artist, album and genre when the playing
// file's tag lacks one of the first three; on "Continue" with all three present, puts the answers
// into the main window's tag component and closes with OK. Win32 only.
#pragma once

#include <vector>

#include "player/MP3Tag.h"
#include "plugin/TagFormCodeRules.h"
#include "toolkit/Forms.h"

class TLabel;
class TBitBtn;
class TButton;
class TEdit;
class TComboBox;
class TpvlUrl;

class TTagForm : public TForm {
public:
    // `tag` receives the answers; `url` opens the look-up site.
    TTagForm(TComponent* owner, TMP3Tag& tag, TpvlUrl& url);
    ~TTagForm() override;

    TLabel* Label4 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label5 = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TBitBtn* BitBtn2 = nullptr;
    TEdit* TitleEdit = nullptr;
    TEdit* ArtistEdit = nullptr;
    TEdit* AlbumEdit = nullptr;
    TComboBox* GenreComboBox = nullptr;
    TBitBtn* BitBtn3 = nullptr;
    TButton* BitBtn4 = nullptr;

    void FormShow(TObject* Sender);
    void BitBtn1Click(TObject* Sender);
    void BitBtn2Click(TObject* Sender);
    void BitBtn3Click(TObject* Sender);
    void BitBtn4Click(TObject* Sender);

    // The pick list behind GenreComboBox, item for item.
    const std::vector<TGenreItem>& PickList() const { return pickList_; }

    static constexpr int kClientWidth = 456;
    static constexpr int kClientHeight = 286;
    static constexpr int kDesignLeft = 267;
    static constexpr int kDesignTop = 210;

private:
    TMP3Tag& tag_;
    TpvlUrl& url_;
    std::vector<TGenreItem> pickList_;
};
