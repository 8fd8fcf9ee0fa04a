// The issuer's logo on a page: a JPEG (libjpeg) or PNG (cairo) file drawn into a rectangle, keeping its
// proportions and centred. Included only by the report engine.
#pragma once

#include <cairo.h>

#include <string>

namespace vxn {

// Raises EvxnNFeReportException when the file cannot be read as JPEG or PNG.
void DesenharImagem(cairo_t* cr, const std::string& arquivo, double x, double y, double l, double a,
                    const std::string& logDir);

} // namespace vxn
