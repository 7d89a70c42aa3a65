// Saving a large text as UTF-8 the way the save command does: the text buffer's spans encoded
// block by block while the block before is written, into a file that takes the target's place
// after an fsync; beside writing and syncing the same bytes, made beforehand, from memory.
#include "benchtable.h"
#include "encoding/outputfile.h"
#include "encoding/textwriter.h"
#include "prosetext.h"
#include "text/textbuffer.h"
#include "text/textspans.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

void saveSuite(bench::Table& table, const bench::Options& options) {
    static const std::u16string kWords[8] = {u"съешь",  u"же",     u"ещё",   u"этих",
                                             u"мягких", u"french", u"булок", u"tea"};
    text::TextBuffer buffer;
    // About options.megabytes MB of UTF-8 (the prose is a third Latin letters).
    buffer.assign(bench::proseText(options.megabytes * 4 / 3, kWords));
    const std::string bytes = enc::WriteAll(enc::OutputFormat::Utf8, buffer.text());
    const std::string target = options.workDir + "/save-target.txt";
    const std::string plain = options.workDir + "/save-plain.txt";

    bool saved = true;
    const auto save = [&] {
        enc::OutputFile file(enc::OutputFile::Sync::Durable);
        saved = saved && file.open(target) &&
                enc::WriteText(enc::OutputFormat::Utf8, text::SpansOf(buffer), file.sink()) &&
                file.commit();
    };
    const auto writeFromMemory = [&] {
        const int fd = ::open(plain.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (std::size_t at = 0; fd >= 0 && at < bytes.size(); at += enc::kWriteBlockBytes) {
            const std::size_t n = std::min(enc::kWriteBlockBytes, bytes.size() - at);
            if (::write(fd, bytes.data() + at, n) != ssize_t(n))
                break;
        }
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    };
    // Each run writes a new file: the old one is removed, and the disk is given its time to
    // forget it, beforehand, so that neither side pays for freeing the other's blocks.
    const auto fresh = [&] {
        std::remove(target.c_str());
        std::remove(plain.c_str());
        ::sync();
    };
    double ours = 1e300, reference = 1e300;
    for (int i = 0; i < 5; ++i) {
        fresh();
        ours = std::min(ours, bench::bestWallSeconds(save, 1));
        fresh();
        reference = std::min(reference, bench::bestWallSeconds(writeFromMemory, 1));
    }
    if (!saved)
        std::fprintf(stderr, "save: the save failed\n");
    std::remove(target.c_str());
    std::remove(plain.c_str());
    table.add({"save " + std::to_string(bytes.size() >> 20) + " MiB as UTF-8 (fsync)", ours,
               reference, "s", false, 1.0,
               "reference: the same bytes written from memory and synced; wall clock"});
}

} // namespace

TOVILO_BENCH_SUITE("save", saveSuite);
