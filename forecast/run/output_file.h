// An output file written under a temporary name in its own directory and put
// in place by a rename when it is closed: readers never see it half-written,
// a process that dies leaves the earlier file whole, and a symbolic link
// planted at the name is replaced instead of written through.
//
// Like a stream that closes when it goes out of scope, the file is put in
// place then too, with what it holds: a run that ends early keeps the files
// it has written so far. Only a file whose writing failed is dropped, so that
// a full disk never replaces a whole file by a cut one.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace velk::forecast {

class OutputGroup;

class OutputFile {
 public:
  // Creates the temporary file beside `path`; `what` names the file in
  // diagnostics, e.g. "the forecast table". Ends the run abnormally
  // (RunEnd::abnormal) when it cannot be created. A file of a `group` is
  // put in place only together with the others (see OutputGroup).
  OutputFile(const std::string& path, const std::string& what, OutputGroup* group = nullptr);
  // Commits, quietly: the run's own end is what gets reported. A file whose
  // group saw a write fail is dropped instead.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::ostream& stream() { return stream_; }

  // Pushes what was written so far to the temporary file, noticing a full
  // disk early. A failed write ends the run abnormally, and the file will not
  // be committed: the earlier one stays.
  void flush();

  // Writes out, syncs and renames the temporary file over `path`. Ends the
  // run abnormally when that fails; the earlier file then stays. Does nothing
  // after a failed write or a commit.
  void commit();

 private:
  friend class OutputGroup;

  // Writes out, syncs and closes the temporary file, ready for the rename.
  void prepare();
  // Renames the prepared file over `path`; false when that fails.
  bool put_in_place();
  // Drops the temporary file; the earlier file stays. Reports whether it
  // could be removed.
  bool abandon();
  [[noreturn]] void fail(const char* action, const std::string& aftermath = "");

  // Writes to the descriptor mkstemp opened: the temporary file is never
  // opened again by its name, which another could have replaced by a link.
  class DescriptorBuffer : public std::streambuf {
   public:
    void attach(int fd) { fd_ = fd; }

   protected:
    int_type overflow(int_type c) override;
    int sync() override;

   private:
    bool drain();
    int fd_ = -1;
    char buffer_[1 << 16];
  };

  std::string path_;
  std::string what_;
  OutputGroup* group_;
  std::string temporary_;  // empty once committed or abandoned
  int fd_ = -1;            // written through and synced before the rename
  DescriptorBuffer buffer_;
  std::ostream stream_{&buffer_};
};

// Puts `text` in place as the whole file at `path`, or leaves the earlier file
// (RunEnd::abnormal naming `what`): for a writer that holds the whole content.
void write_whole_file(const std::string& path, const std::string& text, const std::string& what);

// Files that describe one another, such as a forecast table and its
// metadata: a reader must never find a new one beside an old one. Once a
// write of any member fails, none is put in place afterwards, not even when
// the run ends early. Declare the group before its files.
class OutputGroup {
 public:
  // Writes out and syncs every member first, and renames them, in the order
  // they were created, only when all of that worked: a full disk or a failed
  // sync leaves every earlier file. Only a rename failing after another one
  // succeeded leaves a mix, and the run then ends abnormally with a
  // diagnostic naming the files already replaced.
  void commit();

 private:
  friend class OutputFile;
  std::vector<OutputFile*> members_;
  bool failed_ = false;
};

}  // namespace velk::forecast
