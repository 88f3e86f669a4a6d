#include "plugin/TagFormCode.h"

#include "plugin/FormCodeArtwork.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/FormDesc.h"
#include "toolkit/StdCtrls.h"
#include "widgets/pvlUrl.h"

namespace {

const char kExplanation[] = "This MP3 file is missing some information. It is important to complete all details accurately. "
                            "If  you are unsure you can look up details  on the CDDB site.  ";

} // namespace

TTagForm::TTagForm(TComponent* owner, TMP3Tag& tag, TpvlUrl& url)
    : TForm(owner), tag_(tag), url_(url), pickList_(GenrePickList()) {
    SetName("TagForm");
    // No border icons, so no system menu: the dialog closes only through its buttons.
    SetUpDialog(*this, TFormBorderStyle::bsSingle, TPosition::poDesigned, clBlack, kClientWidth, kClientHeight);
    SetBounds(kDesignLeft, kDesignTop, Width(), Height());

    auto hand = [](auto*& field, int tabOrder) {
        return [&field, tabOrder](auto& c) {
            field = &c;
            c.Cursor = crHandPoint;
            c.TabOrder = tabOrder;
        };
    };
    auto edit = [](TEdit*& field, int tabOrder) {
        return [&field, tabOrder](TEdit& e) {
            field = &e;
            e.TabOrder = tabOrder;
        };
    };

    Describe(*this, {
                        // The explanation fills the dialog and is its background; the other controls lie on it.
                        Row<TLabel>("Label4", 0, 0, kClientWidth, kClientHeight, kExplanation,
                                    [this](TLabel& l) {
                                        DialogLabel(Label4, 15, TLabelGround::ButtonFace)(l);
                                        l.SetAlign(TAlign::alClient);
                                        l.SetAlignment(TAlignment::taCenter);
                                        l.SetAutoSize(false);
                                        l.SetWordWrap(true);
                                    }),
                        Row<TLabel>("Label1", 7, 109, 57, 16, "TrackTitle", DialogLabel(Label1, 13, TLabelGround::ButtonFace)),
                        Row<TLabel>("Label2", 7, 149, 30, 16, "Artist", DialogLabel(Label2, 13, TLabelGround::ButtonFace)),
                        Row<TLabel>("Label3", 7, 183, 36, 16, "Album", DialogLabel(Label3, 13, TLabelGround::ButtonFace)),
                        Row<TLabel>("Label5", 7, 214, 34, 16, "Genre", DialogLabel(Label5, 13, TLabelGround::ButtonFace)),
                        Row<TBitBtn>(
                            "BitBtn1", 114, 253, 82, 25, "Continue",
                            [&](TBitBtn& b) {
                                hand(BitBtn1, 0)(b);
                                b.SetDefault(true);
                                b.NumGlyphs = 2;
                                b.SetGlyph(ArtworkBitmap("CONTINUE"));
                            },
                            [this](TBitBtn& b) { b.OnClick = [this](TObject* s) { BitBtn1Click(s); }; }),
                        Row<TBitBtn>(
                            "BitBtn2", 290, 253, 75, 25, {},
                            [&](TBitBtn& b) {
                                hand(BitBtn2, 1)(b);
                                b.SetKind(TBitBtnKind::bkCancel);
                            },
                            [this](TBitBtn& b) { b.OnClick = [this](TObject* s) { BitBtn2Click(s); }; }),
                        Row<TEdit>("TitleEdit", 78, 109, 339, 21, {}, edit(TitleEdit, 2)),
                        Row<TEdit>("ArtistEdit", 78, 145, 339, 21, {}, edit(ArtistEdit, 3)),
                        Row<TEdit>("AlbumEdit", 78, 181, 339, 21, {}, edit(AlbumEdit, 4)),
                        Row<TComboBox>("GenreComboBox", 78, 213, 241, 21, {},
                                       [this](TComboBox& c) {
                                           GenreComboBox = &c;
                                           c.TabOrder = 5;
                                           c.SetDropDownCount(15);
                                           for (const TGenreItem& g : pickList_) c.AddItem(std::string(g.Name));
                                           c.SetItemIndex(-1);
                                       }),
                        Row<TBitBtn>(
                            "BitBtn3", 37, 61, 56, 39, {},
                            [&](TBitBtn& b) {
                                hand(BitBtn3, 6)(b);
                                b.SetGlyph(ArtworkBitmap("CDDB"));
                            },
                            [this](TBitBtn& b) { b.OnClick = [this](TObject* s) { BitBtn3Click(s); }; }),
                        Row<TButton>(
                            "BitBtn4", 248, 67, 177, 25, "Look Up CDDB with Available Info",
                            [&](TButton& b) {
                                hand(BitBtn4, 7)(b);
                                b.SetVisible(false);
                            },
                            [this](TButton& b) { b.OnClick = [this](TObject* s) { BitBtn4Click(s); }; }),
                    });
    OnShow = [this](TObject* s) { FormShow(s); };
}

TTagForm::~TTagForm() { DestroyComponents(); }

void TTagForm::FormShow(TObject*) {}

void TTagForm::BitBtn1Click(TObject*) {
    TTagAnswer answer{TitleEdit->Text(), ArtistEdit->Text(), AlbumEdit->Text(), GenreComboBox->ItemIndex()};
    std::string missing = MissingTagMessage(answer);
    if (!missing.empty()) {
        Application->MessageBox(missing, "Error", MB_OK);
        return;
    }
    ApplyTagAnswer(tag_, answer, pickList_);
    SetModalResult(mrOk);
}

void TTagForm::BitBtn2Click(TObject*) { SetModalResult(mrCancel); }

void TTagForm::BitBtn3Click(TObject*) {
    url_.Url = kCddbHomePage;
    url_.OpenUrl();
}

void TTagForm::BitBtn4Click(TObject* Sender) { BitBtn3Click(Sender); }
