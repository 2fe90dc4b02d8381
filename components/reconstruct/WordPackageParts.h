#pragma once

#include <string>

// The fixed parts of a Word package, filled in when the document is done.
namespace reconstruct {

inline constexpr char kWordNamespaces[] =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"";

inline constexpr char kWordMainType[] =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
// The content type of word/<part>.xml, e.g. "styles" or "header".
std::string WordPartType(const std::string& part);

// Normal in `family` at `half_points`, Heading1..6 as outline levels over it, and the
// Hyperlink character style.
std::string StylesPartXml(const std::string& family, int half_points);
std::string SettingsPartXml();
std::string CorePropertiesXml();
std::string AppPropertiesXml(int pages);
std::string PackageRelationshipsXml();

}  // namespace reconstruct
