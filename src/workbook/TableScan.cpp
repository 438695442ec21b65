#include "workbook/TableScan.h"

#include "workbook/TableFile.h"
#include "workbook/TableSplitter.h"

#include <algorithm>

namespace {

// Measures the fields of the first lines, then stops the splitter.
class WidthSample final : public TableSink {
public:
    WidthSample(ColumnWidths& widths, std::size_t lines) : widths_(widths), linesLeft_(lines) {}

    bool Field(std::size_t column, std::string_view bytes, bool) override {
        widths_.Measure(column, bytes);
        return true;
    }
    bool LineEnd() override { return --linesLeft_ > 0; }

private:
    ColumnWidths& widths_;
    std::size_t linesLeft_;
};

// A field longer than this is wider than the widest column in any case.
constexpr std::size_t kMeasuredFieldCap = 4096;

} // namespace

TableOutline ScanTable(const QString& path, std::size_t sampleLines,
                       const std::function<void()>& betweenBlocks) {
    TableOutline outline;
    TableFile file(path);
    WidthSample sample(outline.widths, sampleLines);
    TableSplitter splitter(sample, kMeasuredFieldCap);
    bool sampling = sampleLines > 0;
    bool endsOpen = false; // the bytes after the last line end form a line
    for (std::string_view block = file.NextBlock(); !block.empty(); block = file.NextBlock()) {
        if (betweenBlocks)
            betweenBlocks();
        outline.lineCount += std::count(block.begin(), block.end(), '\n');
        endsOpen = block.back() != '\n';
        if (sampling)
            sampling = splitter.Feed(block);
    }
    if (endsOpen)
        ++outline.lineCount;
    if (sampling)
        splitter.Finish();
    return outline;
}
