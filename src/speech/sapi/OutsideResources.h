#pragma once
// Markup that would make the speech service read something from outside the text: the <audio>
// and <lexicon> elements of <speak> documents name a file or an address it fetches, and a
// document type declaration names an outside subset and outside entities. The service's own tags
// name nothing outside. Whatever is dropped on the basket is read as markup, so none of this may
// reach the service.

#include <string>
#include <string_view>

namespace talvoro::sapi {

// Whether the text holds such markup: an <audio> or <lexicon> tag, start or end, in any letter
// case and with or without a namespace prefix, or a declaration (<!DOCTYPE ...>, <!ENTITY ...>).
// Errs towards finding: spacing that no parser accepts still counts.
bool namesOutsideResources(std::string_view text);

// The text with all of that taken out, for reading as markup. <audio> and <lexicon> tags become
// a blank (the words inside <audio>, what it falls back on, stay and are read); declarations,
// comments and processing instructions go; a CDATA section becomes the same text escaped; and a
// '<' that starts no well-formed markup becomes "&lt;", so that nothing taken out can join what
// stood around it into a new tag. Text that names nothing outside is returned as it is.
std::string withoutOutsideResources(std::string_view text);

// Speak flags as SAPI numbers them: read as markup, read as plain text.
inline constexpr unsigned kSpeakIsXml = 8;
inline constexpr unsigned kSpeakIsNotXml = 16;

// The text as SAPI is to be given it with these Speak flags. SAPI reads a text up to its first
// NUL, which would silently end a reading there, so a NUL is read as the blank it stands for.
// SAPI reads the text as markup when told to and, unless told otherwise, when it begins with a
// tag (blanks before it count here too); then whatever names an outside resource is taken out,
// and the markup flag is added, so that the rest is read as the markup it was cut as.
std::string textForSpeaking(std::string_view text, unsigned& flags);

}  // namespace talvoro::sapi
