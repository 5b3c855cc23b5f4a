// A display list written as a one-page PDF: vector lines and Helvetica texts, the content deflated.
#pragma once
#include <string>

#include "ivdata/display_list.h"

namespace ivdata {

// The page is the list's extent; title goes into the document's information.
std::string RenderPdf(const DisplayList& list, const std::string& title);

}  // namespace ivdata
