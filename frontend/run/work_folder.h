// Where zelta works and which analyser it runs. Started in a folder that
// holds ./conzelta and may be written to, zelta works there as it always has
// (zelta.ini, tree.txt and zelta_err.txt beside the analyser). Started
// anywhere else (from a desktop menu, "Open with", a read-only folder), it
// works in a folder of the user's own and runs the analyser installed beside
// it by its full path.
#pragma once
#include <QString>

namespace zelta::fe {

class WorkFolder {
 public:
  // Here, with ./conzelta: what a window made without a decision uses.
  WorkFolder() = default;

  // Decides from the folder zelta was started in, the folder of zelta's own
  // program file and the user's data folder ($XDG_DATA_HOME, or
  // ~/.local/share).
  static WorkFolder choose(const QString& startFolder, const QString& programFolder, const QString& dataHome);
  // The user's data folder as the environment names it.
  static QString userDataHome();

  // The folder to work in: empty for the folder zelta was started in.
  QString folder() const { return folder_; }
  // The analyser's command word: "./conzelta", or a full path.
  QString analyser() const { return analyser_; }
  bool perUser() const { return !folder_.isEmpty(); }

  // Moves into the chosen folder, creating it on first use. False when it
  // cannot be made or entered; zelta then stays where it was started.
  bool enter() const;

 private:
  QString folder_;
  QString analyser_ = QStringLiteral("./conzelta");
};

}  // namespace zelta::fe
