#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "HtmlTestUtil.h"
#include "html/ReadhtmlParser.h"
#include "toolkit/SysUtils.h"

namespace {

// Reads the first symbol of `html` with the parser's own tokenizer.
struct TTokenProbe {
    TSectionList list;
    TStringList names;
    THtmlCallbacks callbacks;
    THtmlParseInfo info;
    std::string html;
    THtmlParser parser{list, names, callbacks, info};
    explicit TTokenProbe(std::string text) : html(std::move(text)) {
        parser.Buf = reinterpret_cast<const unsigned char*>(html.data());
        parser.BufLen = html.size();
        parser.GetCh();
        parser.Next();
    }
    const TAttribute* Attr(Symb s) const { return parser.Attributes.Find(s); }
};

} // namespace

TEST(Readhtml, EntitiesAndTheirFallBacks) {
    const struct {
        const char* html;
        const char* text;
    } cases[] = {
        {"&amp;", "&"},
        {"&lt;", "<"},
        {"&copy;", "\xA9"},
        {"&yuml;", "\xFF"},
        {"&nbsp;", "\xA0"},
        {"&hellip;", "..."},
        {"&quot;x&rsquo;", "\"x'"},
        {"&AMP;", "&AMP;"},
        {"&foo;", "&foo;"},
        {"&foo bar", "&foo bar"},
        {"&#65;", "A"},
        {"&#65B", "AB"},
        {"a&#9;b", "a b"},
        {"&#8;", "&#8;"},
        {"&#300;", "&#300;"},
        {"&#;", "&#;"},
        {"&#1234567;", "&#1234567;"},
        {"&abcdefgh;", "&abcdefgh;"},
        {"a & b", "a & b"},
        {"x<1", "x<1"},
        {"x<y z>w", "xw"},
        {"x< y", "x< y"},
    };
    for (auto& c : cases) {
        TTestDoc d;
        d.Parse(c.html);
        EXPECT_EQ(d.Texts(), c.text) << c.html;
    }
    // A name past seven characters is given back unread: the rest is ordinary text.
    TTokenProbe p("&abcdefgh;");
    EXPECT_EQ(p.parser.LCToken, "&abcdefg");
    p.parser.Next();
    EXPECT_EQ(p.parser.LCToken, "h;");
}

TEST(Readhtml, CommentForms) {
    const struct {
        const char* html;
        const char* text;
    } cases[] = {
        {"a<!-- x -->b", "ab"},   {"<!-- a -- b -->c", "c"},        {"a<!---->b", "ab"},         {"a<!-- x --  \r\n >b", "ab"},
        {"a<!-- x ---->b", "ab"}, {"a<!-- x --><!-- y -->b", "ab"}, {"a<!DOCTYPE html>b", "ab"}, {"a<!-- <b>x</b> -->c", "ac"},
    };
    for (auto& c : cases) {
        TTestDoc d;
        d.Parse(c.html);
        EXPECT_EQ(d.Texts(), c.text) << c.html;
    }
}

TEST(Readhtml, OpenCommentKeepsWhatCameBefore) {
    TTestDoc d;
    try {
        d.Parse("<B>kept</B> text<!-- never closed -- x");
        FAIL() << "no error raised";
    } catch (const EParseError& e) { EXPECT_EQ(e.Message(), "Open Comment at End of HTML File"); }
    EXPECT_EQ(d.Texts(), "kept text");

    // The file form keeps the page quietly.
    std::string name = ::testing::TempDir() + "open_comment.htm";
    { std::ofstream(name) << "before<!-- open"; }
    TTestDoc f;
    EXPECT_NO_THROW(HtmlParseTextFile(f.List, f.Names, name, f.Callbacks, f.Info));
    EXPECT_EQ(f.Texts(), "before");
    std::remove(name.c_str());
}

TEST(Readhtml, TagWordsEndFormsAndHeadingLevel) {
    const struct {
        const char* html;
        Symb sym;
        int level;
    } cases[] = {
        {"<H3>", HeadingSy, 3},  {"</h2>", EndOf(HeadingSy), 2}, {"<H>", HeadingSy, 0},
        {"<h7>", HeadingSy, 0},  {"</LI>", CommandSy, 0},        {"</BR>", CommandSy, 0},
        {"<FOO>", CommandSy, 0}, {"</ul>", EndOf(ULSy), 0},      {"<blockquote>", BlockQuoteSy, 0},
        {"<Meta>", MetaSy, 0},   {"</TR>", EndOf(TRSy), 0},      {"</META>", CommandSy, 0},
    };
    for (auto& c : cases) {
        TTokenProbe p(c.html);
        EXPECT_EQ(p.parser.Sy, c.sym) << c.html;
        EXPECT_EQ(p.parser.HeadingLevel, c.level) << c.html;
    }
    TTokenProbe stray("< b>");
    EXPECT_EQ(stray.parser.Sy, TextSy);
    EXPECT_EQ(stray.parser.LCToken, "<");
}

TEST(Readhtml, AttributeValues) {
    const struct {
        const char* html;
        Symb attr;
        int number;
        const char* text;
    } cases[] = {
        {"<TABLE BORDER>", BorderSy, 1, ""},
        {"<TABLE BORDER WIDTH=3>", BorderSy, 1, ""},
        {"<TABLE WIDTH>", WidthSy, 0, ""},
        {"<IMG WIDTH=50%>", WidthSy, 50, "50%"},
        {"<IMG WIDTH=\"50%\">", WidthSy, 50, "50%"},
        {"<IMG WIDTH=-5>", WidthSy, -5, "-5"},
        {"<IMG WIDTH=5px>", WidthSy, 0, "5px"},
        {"<IMG WIDTH=' 12abc '>", WidthSy, 12, "12abc"},
        {"<FONT SIZE=+2>", SizeSy, 2, "+2"},
        {"<IMG ALT=' a b '>", AltSy, 0, "a b"},
        {"<IMG ALT=\"a\r\nb\">", AltSy, 0, "ab"},
        {"<A HREF=\"x?a=1&amp;b=2\">", HrefSy, 0, "x?a=1&b=2"},
        {"<A HREF=page.htm#top>", HrefSy, 0, "page.htm#top"},
        {"<META HTTP-EQUIV=refresh>", HttpEqSy, 0, "refresh"},
        {"<P align = center>", AlignSy, 0, "center"},
    };
    for (auto& c : cases) {
        TTokenProbe p(c.html);
        const TAttribute* a = p.Attr(c.attr);
        ASSERT_NE(a, nullptr) << c.html;
        EXPECT_EQ(a->Number, c.number) << c.html;
        EXPECT_EQ(a->Text, c.text) << c.html;
    }
    TTokenProbe unknown("<IMG DATA-X=1 SRC=a.gif>");
    ASSERT_EQ(unknown.parser.Attributes.Count(), 2);
    EXPECT_EQ(unknown.parser.Attributes[0].Symbol, UnknownSy);
    EXPECT_EQ(unknown.Attr(SrcSy)->Text, "a.gif");
    // Tags outside the attribute set drop theirs and leave the list alone.
    TTokenProbe dropped("<IMG SRC=a.gif><B CLASS=x>");
    dropped.parser.Next();
    EXPECT_EQ(dropped.parser.Sy, BSy);
    EXPECT_EQ(dropped.Attr(SrcSy)->Text, "a.gif");
}

TEST(Readhtml, ColourValues) {
    const struct {
        const char* value;
        bool ok;
        TColor color;
    } cases[] = {
        {"red", true, 0x0000FF | PaletteFlag},
        {"Lime", true, 0x00FF00 | PaletteFlag},
        {"NAVY", true, 0x800000 | PaletteFlag},
        {"#FF0000", true, 0x0000FF | PaletteFlag},
        {"0000ff", true, 0xFF0000 | PaletteFlag},
        {"#abc", true, 0x00C0AB | PaletteFlag},
        {"#", false, 0},
        {"", false, 0},
        {"reddish", false, 0},
        {"#12345G", false, 0},
    };
    for (auto& c : cases) {
        TColor got = 0;
        EXPECT_EQ(ColorFromString(c.value, got), c.ok) << c.value;
        if (c.ok) { EXPECT_EQ(got, c.color) << c.value; }
    }
}

TEST(Readhtml, WhitespaceNormalVersusPre) {
    TTestDoc d;
    d.Parse("a   \r\n\t b<PRE>a   b\tc\n  d</PRE>e");
    EXPECT_EQ(d.Kinds(), "TPPT");
    EXPECT_EQ(d.Texts(), "a b|a   b c|  d|e");

    // Control bytes never reach a section's text, where 2 and 4 stand for objects.
    TTestDoc c;
    c.Parse(std::string("x\x04y\x02<PRE>p\x04q\x02</PRE>"));
    EXPECT_EQ(c.Texts(), "xy|pq");
    // A Ctrl-Z byte inside the page is not the end of the input.
    TTestDoc z;
    z.Parse(std::string("before\x1A after"));
    EXPECT_EQ(z.Texts(), "before after");
}

TEST(Readhtml, PreLinesAndTags) {
    TTestDoc d;
    d.Parse("<PRE>one<BR>\ntwo <B>bold</B> &amp; <TABLE>three\n\nfour</PRE>");
    EXPECT_EQ(d.Kinds(), "PPPP");
    EXPECT_EQ(d.Texts(), "one|two bold & three| |four");
    TSection* two = d.Find("two");
    ASSERT_EQ(two->Fonts.Count(), 3);
    EXPECT_TRUE(two->Fonts[1].Font().Style & fsBold);
    EXPECT_TRUE(two->Fonts[0].Font().Fixed);
    EXPECT_EQ(two->Fonts[0].Font().Name, "Courier New");
}

TEST(Readhtml, ParagraphSpaceFlag) {
    TTestDoc d;
    d.Parse("x<P><P><P>y<P ALIGN=right>z</P><P ALIGN=center>w");
    EXPECT_EQ(d.Kinds(), "TSTSTST");
    EXPECT_EQ(d.Find("y")->Justify, THAlign::Left);
    EXPECT_EQ(d.Find("z")->Justify, THAlign::Right);
    EXPECT_EQ(d.Find("w")->Justify, THAlign::Center);

    TTestDoc cell;
    cell.Parse("<TABLE><TR><TD><P>text</TD></TR></TABLE>");
    ASSERT_EQ(cell.Kinds(), "B");
    auto& content = cell.As<ThtmlTable>(0)->Rows.at(0)->Cells.at(0)->Cell.Sections;
    ASSERT_EQ(content.size(), 1u); // no paragraph space at the start of a cell
    EXPECT_EQ(dynamic_cast<TSection*>(content[0].get())->Buff, "text");
}

TEST(Readhtml, SecondBodyAndBodyAfterTextChangeNothing) {
    TTestDoc d;
    d.Parse("<BODY TEXT=red BGCOLOR=black LINK=yellow OLINK=aqua>x<BODY TEXT=blue BGCOLOR=white>");
    EXPECT_EQ(d.List.FontColor(), clRed | PaletteFlag);
    EXPECT_EQ(d.List.Background(), clBlack | PaletteFlag);
    EXPECT_EQ(d.List.Colors().Link, clYellow | PaletteFlag);
    EXPECT_TRUE(d.List.HoverEnabled());
    EXPECT_EQ(d.Find("x")->Fonts[0].Font().Color, clRed | PaletteFlag);

    TTestDoc late;
    late.Parse("text<BODY BGCOLOR=red>");
    EXPECT_EQ(late.List.Background(), clWhite);
}

TEST(Readhtml, FontStackHoldsTwentyFiveEntries) {
    // Each FONT sets a distinct colour: blue byte = nesting depth.
    std::string html;
    for (int i = 1; i <= 26; ++i) html += Format("<FONT COLOR=#0000%02x>t%d ", i, i);
    TTestDoc d;
    d.Parse(html);
    TSection* s = d.Find("t1 ");
    ASSERT_NE(s, nullptr);
    auto colorOf = [&](const std::string& word) {
        return s->Fonts.At(static_cast<int>(s->Buff.find(word))).Font().Color & 0xFFFFFF;
    };
    EXPECT_EQ(colorOf("t1 "), RGBColor(0, 0, 1));
    EXPECT_EQ(colorOf("t24 "), RGBColor(0, 0, 24)); // the 25th entry of the stack
    EXPECT_EQ(colorOf("t25 "), RGBColor(0, 0, 24)); // stack full: unchanged
    EXPECT_EQ(colorOf("t26 "), RGBColor(0, 0, 24));
}

TEST(Readhtml, CharsetMeta) {
    const struct {
        const char* content;
        int charset;
    } cases[] = {
        {"text/html; charset=windows-1251", 204}, {"text/html; charset=KOI8-R", 204},   {"text/html; charset=iso-8859-2", 238},
        {"text/html; charset=iso-8859-7", 161},   {"text/html; charset=iso-8859-1", 0}, {"text/html; charset=utf-8", 1},
    };
    for (auto& c : cases) {
        TTestDoc d;
        d.Parse(std::string("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"") + c.content + "\"><B>x</B> y");
        TSection* s = d.Find("x");
        ASSERT_NE(s, nullptr);
        for (int i = 0; i < s->Fonts.Count(); ++i) EXPECT_EQ(s->Fonts[i].Font().Charset, c.charset) << c.content;
    }
    TTestDoc nested;
    nested.Callbacks.TopLevel = false;
    nested.Parse("<META HTTP-EQUIV=content-type CONTENT=\"charset=windows-1251\">x");
    EXPECT_EQ(nested.Find("x")->Fonts[0].Font().Charset, 1);
}

TEST(Readhtml, HeadingsFontsAndSpaces) {
    TTestDoc d(8);
    d.Parse("<H1>Big</H1><H3 ALIGN=center>Mid</H3><H>Plain</H>after");
    EXPECT_EQ(d.Kinds(), "HTHHTHHTHT");
    TSection* big = d.Find("Big");
    EXPECT_EQ(big->Fonts[0].Font().NominalSize, 24);
    EXPECT_EQ(big->Fonts[0].Font().Size(), 16);
    EXPECT_TRUE(big->Fonts[0].Font().Style & fsBold);
    TSection* mid = d.Find("Mid");
    EXPECT_EQ(mid->Fonts[0].Font().NominalSize, 14);
    EXPECT_EQ(mid->Justify, THAlign::Center);
    TSection* plain = d.Find("Plain");
    EXPECT_EQ(plain->Fonts[0].Font().NominalSize, 12);
    EXPECT_FALSE(plain->Fonts[0].Font().Style & fsBold);
    EXPECT_EQ(d.Find("after")->Fonts[0].Font().NominalSize, 12);
    EXPECT_EQ(d.Find("after")->Justify, THAlign::Left);
    EXPECT_EQ(d.As<THeadingSpace>(2)->HeadingLevel, 1);
    EXPECT_EQ(d.As<THeadingSpace>(3)->HeadingLevel, 3);
}

TEST(Readhtml, InlineStylesAndFontSizes) {
    TTestDoc d;
    d.Parse("<BASEFONT SIZE=4>a<B>b<I>c</B>d</I><FONT SIZE=+1 FACE=\" Verdana , Arial\">e</FONT>"
            "<BIG>f<SMALL>g</SMALL></BIG><TT>h</TT><SUB>i</SUB><FONT SIZE=9>j</FONT>");
    TSection* s = d.Find("abcd");
    ASSERT_NE(s, nullptr);
    auto at = [&](char c) -> TFontObj& { return s->Fonts.At(static_cast<int>(s->Buff.find(c))); };
    EXPECT_EQ(at('a').Font().NominalSize, 14); // BASEFONT 4 before any text
    EXPECT_EQ(at('b').Font().Style, TFontStyles(fsBold));
    EXPECT_EQ(at('c').Font().Style, TFontStyles(fsBold | fsItalic));
    EXPECT_EQ(at('d').Font().Style, TFontStyles(fsItalic));
    EXPECT_EQ(at('e').Font().NominalSize, 18); // base 4 + 1
    EXPECT_EQ(at('e').Font().Name, "Verdana");
    EXPECT_EQ(at('f').Font().NominalSize, 18);
    EXPECT_EQ(at('g').Font().NominalSize, 14);
    EXPECT_TRUE(at('h').Font().Fixed);
    EXPECT_EQ(at('h').Font().NominalSize, 10);
    EXPECT_EQ(at('i').SScript, TScript::Sub);
    EXPECT_EQ(at('j').SScript, TScript::None);
    EXPECT_EQ(at('j').Font().NominalSize, 36); // SIZE clamped to 7
}

TEST(Readhtml, LinksAndAnchors) {
    TTestDoc d;
    d.Settings.LinkColor = clGreen;
    d.Parse("see <A HREF=\"page.htm\" TARGET=main NAME=\"#Top\">the page</A> now");
    TSection* s = d.Find("see");
    ASSERT_EQ(s->Fonts.Count(), 3);
    EXPECT_EQ(s->Fonts[1].UrlTarget().Url, "page.htm");
    EXPECT_EQ(s->Fonts[1].UrlTarget().Target, "main");
    d.Layout(400);
    EXPECT_TRUE(s->Fonts[1].Info()->Font.Style & fsUnderline); // the link style, applied as drawn
    EXPECT_EQ(s->Fonts[1].Color(d.List.Colors()), clGreen);
    EXPECT_TRUE(s->Fonts[2].UrlTarget().Empty());
    EXPECT_FALSE(s->Fonts[2].Info()->Font.Style & fsUnderline);
    ASSERT_EQ(d.List.LinkList.size(), 1u);
    ASSERT_EQ(d.Names.Count(), 1);
    EXPECT_EQ(d.Names[0], "TOP");
    EXPECT_EQ(d.Names.Objects(0), s);
}

TEST(Readhtml, ListsAtLevels) {
    TTestDoc d;
    d.Parse("<UL><LI>a<UL PLAIN><LI>b</UL><LI>c</LI></UL>d<OL START=3 TYPE=a><LI><P>x<LI>y</UL>z"
            "<DL><DT>term<DD>def</DL><BLOCKQUOTE>q<LI>r</BLOCKQUOTE>");
    EXPECT_EQ(d.Texts(), "a|b|c|d|x|y|z|term|def|q|r");
    EXPECT_EQ(d.Kinds(), "UUUTOOTDDTU");
    EXPECT_EQ(d.As<TSection>(0)->Level, 1);
    EXPECT_EQ(d.As<TUListItem>(1)->Level, 2);
    EXPECT_TRUE(d.As<TUListItem>(1)->Plain);
    EXPECT_EQ(d.As<TSection>(2)->Level, 1);
    EXPECT_EQ(d.As<TSection>(3)->Level, 0);
    EXPECT_EQ(d.As<TOListItem>(4)->ListNumb, 3);
    EXPECT_EQ(d.As<TOListItem>(5)->MarkerText(), "d.");
    EXPECT_EQ(d.As<TSection>(6)->Level, 0); // </UL> ended the OL
    EXPECT_EQ(d.As<TSection>(7)->Level, 0); // DT one level out
    EXPECT_EQ(d.As<TSection>(8)->Level, 1);
    EXPECT_EQ(d.As<TSection>(9)->Level, 1); // BLOCKQUOTE indents
    EXPECT_EQ(d.As<TSection>(10)->Level, 1);
}

TEST(Readhtml, OrderedListMarkers) {
    const struct {
        char style;
        int number;
        const char* marker;
    } cases[] = {{'1', 7, "7."},   {'A', 1, "A."},  {'A', 27, "Z."},   {'a', 3, "c."},
                 {'i', 25, "xx."}, {'i', 4, "iv."}, {'I', 19, "XIX."}, {'i', 0, "i."}};
    for (auto& c : cases) {
        TTestDoc d;
        d.Parse(std::string("<OL TYPE=") + c.style + " START=" + std::to_string(c.number) + "><LI>x</OL>");
        auto* item = d.As<TOListItem>(0);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->MarkerText(), c.marker) << c.style << c.number;
    }
    TTestDoc d;
    std::string html = "<OL TYPE=A>";
    for (int i = 0; i < 27; ++i) html += "<LI>x";
    d.Parse(html + "</OL>");
    EXPECT_EQ(d.As<TOListItem>(26)->MarkerText(), "Z.");
}

TEST(Readhtml, CenterDivAndRules) {
    TTestDoc d;
    d.Parse("a<CENTER>b<DIV ALIGN=right>c</DIV>d</CENTER>e<HR SIZE=4 NOSHADE>f");
    EXPECT_EQ(d.Texts(), "a|b|c|d|e|f");
    EXPECT_EQ(d.Find("b")->Justify, THAlign::Center);
    EXPECT_EQ(d.Find("c")->Justify, THAlign::Right);
    EXPECT_EQ(d.Find("d")->Justify, THAlign::Center);
    EXPECT_EQ(d.Find("e")->Justify, THAlign::Left);
    auto* hr = d.As<THorzLine>(5);
    ASSERT_NE(hr, nullptr);
    EXPECT_EQ(hr->Thickness, 4);
    EXPECT_TRUE(hr->NoShade);
}

TEST(Readhtml, BreaksKeepEmptyLinesAndClear) {
    TTestDoc d;
    d.Parse("text<BR><BR CLEAR=left>more<BR CLEAR=all>");
    // The last, empty section stays for its CLEAR.
    EXPECT_EQ(d.Texts(), "text| |more|");
    EXPECT_EQ(d.Find("more")->ClearMode, TClear::Left);
    EXPECT_EQ(d.As<TSection>(3)->ClearMode, TClear::Both);

    // With no section open (after a rule) a BR has nothing to close: no empty line.
    TTestDoc r;
    r.Parse("<HR><BR>x");
    EXPECT_EQ(r.Kinds(), "RT");
}

TEST(Readhtml, TitleBaseMetaSoundScriptAndInclude) {
    TTestDoc d;
    std::vector<std::string> calls;
    d.Callbacks.OnMeta = [&](const std::string& h, const std::string& n, const std::string& c) {
        calls.push_back("meta " + h + "," + n + "," + c);
    };
    d.Callbacks.OnSound = [&](const std::string& src, int loop, bool term) {
        calls.push_back("sound " + src + "," + std::to_string(loop) + (term ? ",t" : ",f"));
    };
    d.Callbacks.OnScript = [&](const std::string& lang, const std::string& text) {
        calls.push_back("script " + lang + ":" + text);
    };
    d.Callbacks.OnInclude = [&](const std::string& cmd, TStringList& params, std::string& buffer) {
        calls.push_back("include " + cmd + ":" + params.Text());
        buffer = "<B>inc</B><!--#nested-->";
    };
    d.Parse("<TITLE>My  page</TITLE><BASE HREF=\"http://h/\" TARGET=_top>"
            "<META HTTP-EQUIV=refresh CONTENT=\"0; URL=next.htm\"><BGSOUND SRC=a.wav>"
            "a<SCRIPT LANGUAGE=JavaScript>if (a<b) x();\n<!-- y -->\n</SCRIPT>b"
            "<!--#echo var=\"X\" file=f.txt-->c");
    EXPECT_EQ(d.Info.Title, "My page");
    EXPECT_EQ(d.Info.Base, "http://h/");
    EXPECT_EQ(d.Info.BaseTarget, "_top");
    EXPECT_EQ(d.Texts(), "abincc");
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0], "meta refresh,,0; URL=next.htm");
    EXPECT_EQ(calls[1], "sound a.wav,1,f");
    EXPECT_EQ(calls[2], "script JavaScript:if (a<b) x();\r\n<!-- y -->");
    EXPECT_EQ(calls[3], "include echo:VAR=\"X\"\r\nFILE=\"f.txt\"\r\n");
}

TEST(Readhtml, TablesFormsAndMapsKeepTextInOrder) {
    TTestDoc d;
    d.Parse("<TABLE BORDER><TR><TD>a<B>b</TD><TH>c</TH></TR><CAPTION>cap</CAPTION></TABLE>after"
            "<FORM>x<SELECT NAME=s><OPTION>one<OPTION>two</SELECT>y<TEXTAREA>t\nu</textarea >z</FORM>"
            "<MAP NAME=m><AREA SHAPE=rect COORDS=\"1,2,3,4\" HREF=a.htm></MAP>w");
    EXPECT_EQ(d.Texts(), "afterx\2y\2zw");             // each control stands as a character 2
    EXPECT_EQ(d.AllTexts(), "cap|ab|c|afterx\2y\2zw"); // the caption shows above the rows
    auto* th = dynamic_cast<TSection*>(d.As<ThtmlTable>(0)->Rows.at(0)->Cells.at(1)->Cell.Sections.at(0).get());
    ASSERT_NE(th, nullptr);
    EXPECT_EQ(th->Buff, "c");
    EXPECT_FALSE(th->Fonts[0].Font().Style & fsUnderline);
    EXPECT_TRUE(th->Fonts[0].Font().Style & fsBold);
    EXPECT_EQ(th->Justify, THAlign::Center);
    EXPECT_FALSE(d.Find("after")->Fonts[0].Font().Style & fsBold); // styles restored after the table
    ASSERT_EQ(d.List.MapList.size(), 1u);
    EXPECT_EQ(d.List.MapList[0]->MapName, "M");
    ASSERT_EQ(d.List.MapList[0]->Areas.size(), 1u);
    EXPECT_EQ(d.List.MapList[0]->Areas[0].Link.Url, "a.htm");
}

TEST(Readhtml, ImagesBecomeObjectCharacters) {
    TTestDoc d;
    d.Parse("<A HREF=x><IMG SRC=a.gif ALT=Logo ALIGN=left HSPACE=-30></A>text<IMG SRC=b.gif BORDER=0 HEIGHT=0>");
    TSection* s = d.Find("text");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Buff, "\4text\4");
    ASSERT_EQ(s->Images.size(), 2u);
    EXPECT_EQ(s->Images[0]->Source, "a.gif");
    EXPECT_EQ(s->Images[0]->VAlign, TImageAlign::Left);
    EXPECT_EQ(s->Images[0]->HSpace, 20);
    EXPECT_TRUE(s->Images[0]->HasBorder);
    EXPECT_EQ(s->Images[1]->Pos, 5);
    EXPECT_EQ(s->Images[1]->SpecHeight, 1);
    EXPECT_FALSE(s->Images[1]->HasBorder);
}

TEST(Readhtml, LongParagraphIsKeptWhole) {
    // A paragraph far past 20,000 characters keeps its tail.
    std::string words;
    while (words.size() < 30000) words += "word ";
    words += "TAIL";
    TTestDoc d;
    d.Parse("<P>" + words);
    TSection* s = d.Find("TAIL");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Buff, words);
    d.Layout(400);
    EXPECT_EQ(d.List.FindText(0, "tail", false), s->StartPos + static_cast<int>(words.size()) - 4);
    const LineRec& last = s->Lines.back();
    EXPECT_EQ(last.Start + last.Ln, s->Len());
}

TEST(Readhtml, PlainTextFile) {
    std::string name = ::testing::TempDir() + "plain.txt";
    { std::ofstream(name, std::ios::binary) << "<B>not bold</B> &amp;\r\n\r\nline\t3\n"; }
    TTestDoc d;
    HtmlParsePlainTextFile(d.List, d.Names, name);
    EXPECT_EQ(d.Kinds(), "PPPP");
    EXPECT_EQ(d.Texts(), "<B>not bold</B> &amp;| |line 3| ");
    EXPECT_TRUE(d.As<TSection>(0)->Fonts[0].Font().Fixed);
    std::remove(name.c_str());
}

TEST(Readhtml, DeepNestingIsBounded) {
    // Thousands of nested blocks neither exhaust the stack nor lose the text.
    std::string html;
    for (int i = 0; i < 5000; ++i) html += "<UL><CENTER><TABLE><TR><TD>";
    html += "deep";
    TTestDoc d;
    d.Parse(html);
    EXPECT_NE(d.Find("deep"), nullptr);
}
