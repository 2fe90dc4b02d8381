#include "support/TestPdf.h"

#include <fstream>
#include <iterator>

#include "platform/Format.h"
#include "platform/Process.h"

namespace testdocs {
namespace {

constexpr int kFirstPageObject = 5;

std::vector<std::string> FixedObjects(int page_count) {
    std::string kids;
    for (int page = 0; page < page_count; ++page)
        kids += platform::Format("%d 0 R ", kFirstPageObject + 2 * page);
    return {
        "<< /Type /Catalog /Pages 2 0 R >>",
        platform::Format("<< /Type /Pages /Kids [%s] /Count %d >>", kids, page_count),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceRGB "
        "/BitsPerComponent 8 /Length 12 >>\nstream\n" +
            std::string(12, '\x7f') + "\nendstream",
    };
}

std::string Stream(const std::string& content) {
    return platform::Format("<< /Length %d >>\nstream\n", static_cast<int>(content.size())) +
           content + "\nendstream";
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

std::string LineDrawingContent(int lines) {
    std::string content = "0.5 w\n";
    for (int line = 0; line < lines; ++line)
        content += platform::Format("%d 50 m %d 800 l S\n", 20 + line, 20 + line);
    return content + "BT /F1 8 Tf 30 30 Td (A-A) Tj ET";
}

std::string BuildPdf(const std::vector<TestPage>& pages, const std::string& info) {
    std::vector<std::string> objects = FixedObjects(static_cast<int>(pages.size()));
    for (std::size_t page = 0; page < pages.size(); ++page) {
        objects.push_back(platform::Format(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] %s /Resources << /Font << "
            "/F1 3 0 R >> /XObject << /Im1 4 0 R >> >> /Contents %d 0 R >>",
            pages[page].attributes, static_cast<int>(objects.size()) + 2));
        objects.push_back(Stream(pages[page].content));
    }
    if (!info.empty())
        objects.push_back("<< " + info + " >>");
    return AssemblePdf(objects, info.empty() ? std::string()
                                             : platform::Format(" /Info %d 0 R",
                                                                static_cast<int>(objects.size())));
}

std::string AssemblePdf(const std::vector<std::string>& objects,
                        const std::string& trailer_entries) {
    std::string pdf = "%PDF-1.7\n";
    std::vector<std::size_t> offsets;
    for (std::size_t object = 0; object < objects.size(); ++object) {
        offsets.push_back(pdf.size());
        pdf += platform::Format("%d 0 obj\n", static_cast<int>(object + 1)) + objects[object] +
               "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    const int size = static_cast<int>(offsets.size() + 1);
    pdf += platform::Format("xref\n0 %d\n0000000000 65535 f \n", size);
    for (const std::size_t offset : offsets)
        pdf += platform::Format("%010d 00000 n \n", static_cast<int>(offset));
    return pdf + platform::Format("trailer\n<< /Size %d /Root 1 0 R%s >>\nstartxref\n%d\n%%%%EOF\n",
                                  size, trailer_entries, static_cast<int>(xref));
}

std::vector<TestPage> TextPages(int count) {
    return std::vector<TestPage>(static_cast<std::size_t>(count), TestPage{kTextContent, ""});
}

void WriteFile(const std::filesystem::path& file, const std::string& data) {
    std::ofstream(file, std::ios::binary) << data;
}

bool RunTool(const std::string& program, const std::vector<std::string>& arguments) {
    const auto executable = platform::FindInPath(program);
    if (executable.empty())
        return false;
    const auto process = platform::Process::Spawn(executable, arguments);
    if (!process || !process->WaitForExit(std::chrono::seconds(60)))
        return false;
    return process->ExitCode() == 0;
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> PageTexts(const std::filesystem::path& pdf, const std::string& password) {
    const std::filesystem::path text = pdf.string() + ".txt";
    std::vector<std::string> arguments;
    if (!password.empty())
        arguments = {"-upw", password};
    arguments.insert(arguments.end(), {pdf.string(), text.string()});
    if (!RunTool("pdftotext", arguments))
        return {};
    const std::string all = ReadFile(text);
    std::filesystem::remove(text);
    std::vector<std::string> pages;
    std::size_t start = 0;
    for (std::size_t end; (end = all.find('\f', start)) != std::string::npos; start = end + 1)
        pages.push_back(Trimmed(all.substr(start, end - start)));
    return pages;
}

}  // namespace testdocs
