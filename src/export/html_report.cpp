#include <string>

#include "export/report_writers.h"

namespace orv::report::detail {

void AppendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
            case '&':
                out.append("&amp;");
                break;
            case '<':
                out.append("&lt;");
                break;
            case '>':
                out.append("&gt;");
                break;
            case '"':
                out.append("&quot;");
                break;
            default:
                out.push_back(c);
        }
    }
}

void HtmlHead(std::string& out, Layout layout, std::string_view title) {
    Line(out, R"(<html><head><title>Kestrane</title></head>)");
    Line(out, R"(<body bgcolor="#FFFFFF" text="#000000">)");
    if (layout == Layout::Ping) {
        Line(
            out,
            R"(<table width="98%" border="0" cellspacing="0" cellpadding="0" bordercolor="#CCCCCC" bgcolor="#003399" align="center">)");
    } else {
        Line(
            out,
            R"(<table width="98%" border="0" cellspacing="0" cellpadding="0" bordercolor="#CCCCCC" bgcolor="#003399">)");
    }
    Line(
        out,
        R"(<tr bgcolor="#003399"><td width="9%">&nbsp;</td><td width="81%">&nbsp;</td><td width="10%">&nbsp;</td></tr>)");
    Line(out, R"(<tr bgcolor="#003399"><td width="9%">&nbsp;</td><td width="81%">)");
    out.append(
        R"(<div align="center"><font color="#003366" size="3" face="Arial, Helvetica, sans-serif"><b><font size="5" face="Times New Roman, Times, serif" color="#FFFFFF">)");
    out.append(title);
    Line(out, R"(</font></b></font></div>)");
    Line(
        out,
        R"(</td><td width="10%">&nbsp;</td></tr><tr bgcolor="#003399"><td width="9%">&nbsp;</td><td width="81%">&nbsp;</td><td width="10%">&nbsp;</td></tr></table><br>)");
    if (layout == Layout::Ping) {
        Line(out,
             R"(<table width="93%" border="0" cellspacing="2" cellpadding="0" align="center">)");
    } else {
        Line(out,
             R"(<table width="68%" border="0" cellspacing="2" cellpadding="0" align="center">)");
    }
}

void HtmlTail(std::string& out, const std::string& createdAt) {
    Line(
        out,
        R"(</table><br><table width="80%" border="0" cellspacing="0" cellpadding="0" align="center">)");
    out.append(
        R"(<tr><td><div align="center"><font size="2"><b><font color="#003399">Created by Orvelan )");
    out.append(createdAt);
    Line(out, R"( </font></b></font></div>)");
    // The layout leaves room for a line between the creation line and the end of the table
    // that nothing fills; the table is closed right after the creation line.
    Line(out, R"(</td></tr></table></body></html> )");
}

void HtmlRows::Begin(bool red, std::string_view numberWidth) {
    ++written_;
    red_ = red;
    Line(out_, written_ % 2 == 1 ? R"(<tr>)" : R"(<tr bgcolor="#E4E4E4">)");
    Cell(numberWidth, std::to_string(written_));
}

void HtmlRows::Cell(std::string_view width, std::string_view text, bool last) {
    out_.append(R"(<td height="21" width=")");
    out_.append(width);
    out_.append(R"("><div align="center">)");
    if (red_)
        out_.append(R"(<font color="#FF0000">)");
    AppendEscaped(out_, text);
    if (red_)
        out_.append("</font>");
    // The cells close with an opening div tag; viewers have always shown it that way.
    Line(out_, last ? "<div></td></tr>" : "<div></td>");
}

}  // namespace orv::report::detail
