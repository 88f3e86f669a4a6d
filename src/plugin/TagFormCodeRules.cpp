#include "plugin/TagFormCodeRules.h"

#include "toolkit/SysUtils.h"

std::uint8_t GenreOfPick(const std::vector<TGenreItem>& pickList, int index) {
    if (index < 0 || static_cast<size_t>(index) >= pickList.size()) return 0;
    return pickList[static_cast<size_t>(index)].Number;
}

std::string MissingTagMessage(const TTagAnswer& answer) {
    struct Field {
        const std::string& text;
        const char* name;
    };
    const Field fields[] = {
        {answer.title, "the track title"}, {answer.artist, "the artist name"}, {answer.album, "the album title"}};
    std::string message;
    for (const Field& f : fields)
        if (Trim(f.text).empty()) message += std::string("\r\n") + f.name;
    return message.empty() ? message : "Please enter :" + message;
}

void ApplyTagAnswer(TMP3Tag& tag, const TTagAnswer& answer, const std::vector<TGenreItem>& pickList) {
    tag.SetTitle(answer.title);
    tag.SetArtist(answer.artist);
    tag.SetAlbum(answer.album);
    tag.SetGenreID(GenreOfPick(pickList, answer.genreIndex));
}
