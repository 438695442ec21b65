// Makes the table that a harvest of the fake portal's demo region writes, without the network:
// reads the answers that sim_answers.py prints (search pages, then map text, passport and card of
// each house) and turns each house into its row with the harvest's own BuildHouseRow and
// OutputTable. The workbook benchmark converts the result.
//
//   python3 bench/sim_answers.py 100000 | sim_table FOLDER/     (prints the table's path)
#include "portal/PortalAnswers.h"
#include "records/HouseRow.h"
#include "records/OutputTable.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

// The next frame "<kind> <length>\n<bytes>" of the stream; false at its end.
bool ReadFrame(std::FILE* in, char kind, QByteArray& bytes) {
    char seen = 0;
    long long length = -1;
    const int fields = std::fscanf(in, "%c %lld\n", &seen, &length);
    if (fields == EOF)
        return false;
    if (fields != 2 || seen != kind || length < 0)
        throw std::runtime_error(std::string("expected a frame of kind ") + kind);
    bytes.resize(static_cast<qsizetype>(length));
    if (length > 0 && std::fread(bytes.data(), 1, std::size_t(length), in) != std::size_t(length))
        throw std::runtime_error("frame cut short");
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sim_answers.py HOUSES | sim_table FOLDER/\n");
        return 2;
    }
    try {
        OutputTable table(QString::fromLocal8Bit(argv[1]), 1);
        table.Open();
        QByteArray page;
        QByteArray map;
        QByteArray passport;
        QByteArray card;
        long long houses = 0;
        while (ReadFrame(stdin, 'P', page)) {
            const SearchPageAnswer answer(QString::fromUtf8(page));
            const JsonArray* items = answer.Items();
            if (items == nullptr)
                throw std::runtime_error("a search page without items");
            for (std::size_t k = 0; k < items->size(); ++k, ++houses) {
                if (!ReadFrame(stdin, 'M', map) || !ReadFrame(stdin, 'A', passport) ||
                    !ReadFrame(stdin, 'C', card))
                    throw std::runtime_error("a house without its answers");
                table.AppendRow(BuildHouseRow((*items)[k], QString::fromUtf8(map),
                                              QString::fromUtf8(passport),
                                              QString::fromUtf8(card)));
            }
        }
        table.Close();
        std::fprintf(stderr, "%lld houses\n", houses);
        std::printf("%s\n", table.TablePath().toLocal8Bit().constData());
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "sim_table: %s\n", failure.what());
        return 1;
    }
    return 0;
}
