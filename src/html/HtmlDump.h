// Text dumps of a parsed and laid-out page, for people debugging a page and for tests: the
// title, the links, the forms, the visible text in reading order, and the layout (sections,
// lines, table columns, rows and cell rectangles).
#pragma once

#include <string>

#include "html/Readhtml.h"

// One line per section (kind letter, top, height) and one per text line (y, x, height, text; an
// image shows as [img], a control as [ctl]); a table adds its columns and rows, and each cell its
// rectangle, with the cell's sections indented below it.
std::string DumpLayout(TSectionList& doc);
// Every link in document order: its URL and the text of its runs.
std::string DumpLinks(TSectionList& doc);
// The text of every text section in reading order, one section a line.
std::string DumpText(TSectionList& doc);
// The whole dump of a page: title, links, forms (action, method and the pairs their default values
// send), text and layout.
std::string DumpPage(TSectionList& doc, const THtmlParseInfo& info);
// Parses html with the plug-in's settings (Tahoma 8), lays it out on the fixed-metric memory
// canvas at width pixels and dumps it whole; parse and layout errors come first.
std::string DumpHtml(const std::string& html, int width);
