#pragma once
// Readers that turn bytes into a document: WPTextReader (plain text, also the base that owns
// the input and the paragraph being filled; text_reader.h) and WPRtfReader (RTF;
// rtf_reader.h).
//
// The RTF reader is one pass over the bytes: a control word is looked up in the keyword table
// (keywords.h) and its action performed; "{" and "}" save and restore the character attribute,
// the paragraph properties in force and the destination. Words it does not know are skipped,
// and groups marked "\*" whose word it does not know are dropped whole.
//
// Bounds on hostile input (each keeps reading and loses no text that can be kept):
// - groups nest at most kMaxGroupDepth deep with their own saved state; deeper groups are still
//   counted so braces balance, but share the state of the deepest kept one;
// - a control word keeps 32 letters and a number 19 digits (larger numbers are clamped);
// - one picture holds at most kMaxPictureBytes; a larger one is dropped;
// - at most kMaxObjects pictures and objects, kMaxFootnotes footnotes, 4096 RTF fonts and 1024
//   RTF colours are taken; more are ignored;
// - "\bin N" skips at most the bytes that are there;
// - one read adds at most kReadCharsPerByte characters per input byte, plus kMaxReadChars.
//
// Input that ends before it is complete (inside a control word, or with groups still open)
// reads as damaged (result 7): the text read is kept, and GetStatus() says where the input
// ended and what was missing.
#include "richtext/rtf/rtf_reader.h"
#include "richtext/rtf/text_reader.h"
