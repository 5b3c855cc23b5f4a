#include "ivdata/pdf.h"

#include <cstdio>
#include <vector>

#include "file_io.h"

namespace ivdata {
namespace {

std::string Format(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string PdfString(const std::string& text) {
  std::string out = "(";
  for (unsigned char c : text) {
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 32 || c > 126) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\%03o", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + ")";
}

std::string Num(double v) { return Format("%.2f", v); }

// "r g b" of a colour, for the RG (stroke) and rg (fill) operators.
std::string Colour(Rgb c) {
  return Num(((c >> 16) & 0xFF) / 255.0) + " " + Num(((c >> 8) & 0xFF) / 255.0) + " " + Num((c & 0xFF) / 255.0);
}

std::string ContentStream(const DisplayList& d) {
  const double h = d.height;
  std::string content = "1 J 1 j\n";
  double width = -1, gray = -1;
  for (const LineItem& l : d.lines) {
    if (l.width != width) content += Num(width = l.width) + " w\n";
    if (l.gray != gray) content += Num(gray = l.gray) + " G\n";
    content += Num(l.x1) + " " + Num(h - l.y1) + " m " + Num(l.x2) + " " + Num(h - l.y2) + " l S\n";
  }
  content += "0.6 w 0 G\n";
  Rgb stroke = kBlack;
  for (const PolylineItem& poly : d.polylines) {
    if (poly.colour != stroke) content += Colour(stroke = poly.colour) + " RG\n";
    for (std::size_t i = 0; i < poly.points.size(); ++i) {
      content += Num(poly.points[i].first) + " " + Num(h - poly.points[i].second) + (i == 0 ? " m\n" : " l\n");
    }
    content += "S\n";
  }
  content += "0 g\n";
  Rgb fill = kBlack;
  for (const TextItem& t : d.texts) {
    if (t.colour != fill) content += Colour(fill = t.colour) + " rg\n";
    double x = t.x;
    const double w = TextWidth(t.text, t.size, t.bold);
    if (t.align == Align::Centre) x -= w / 2;
    if (t.align == Align::Right) x -= w;
    content += "BT /" + std::string(t.bold ? "F2 " : "F1 ") + Num(t.size) + " Tf " + Num(x) + " " + Num(h - t.y) +
               " Td " + PdfString(t.text) + " Tj ET\n";
  }
  return content;
}

}  // namespace

std::string RenderPdf(const DisplayList& list, const std::string& title) {
  const std::string stream = detail::Deflate(ContentStream(list));
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Num(list.width) + " " + Num(list.height) +
          "] /Resources << /Font << /F1 5 0 R /F2 6 0 R >> >> /Contents 4 0 R >>",
      "<< /Length " + std::to_string(stream.size()) + " /Filter /FlateDecode >>\nstream\n" + stream + "\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>",
      "<< /Title " + PdfString(title) + " /Producer (ivdata stand-in host) >>",
  };
  std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (std::size_t off : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R /Info 7 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

}  // namespace ivdata
