// The main window's controls as the tests reach them: by their object names,
// the way a user's tools see them, so that the window keeps them private.
#pragma once
#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include "definition_panel.h"
#include "drop_list.h"
#include "find_bar.h"
#include "frm_main.h"
#include "graph_panel.h"
#include "result_view.h"
#include "split_handle.h"

namespace ui {

template <class T>
T* part(const zelta::fe::frmMain& w, const char* name) {
  T* found = w.findChild<T*>(QLatin1String(name));
  if (!found) qFatal("the window has no %s", name);
  return found;
}

#define ZELTA_PART(Type, name) \
  inline Type* name(const zelta::fe::frmMain& w) { return part<Type>(w, #name); }
ZELTA_PART(QWidget, client)
ZELTA_PART(QToolBar, tbToolBar)
ZELTA_PART(QAction, tbAnalyse)
ZELTA_PART(QAction, tbClear)
ZELTA_PART(QAction, tbStop)
ZELTA_PART(QLabel, Label1)
ZELTA_PART(QLabel, Label2)
ZELTA_PART(QLabel, Label3)
ZELTA_PART(zelta::fe::DropList, TreeView1)
ZELTA_PART(QTreeWidget, TreeView2)
ZELTA_PART(zelta::fe::ResultView, RichTextBox1)
ZELTA_PART(QListWidget, listerr)
ZELTA_PART(zelta::fe::FindBar, findBar)
ZELTA_PART(zelta::fe::SplitHandle, listSplit)
ZELTA_PART(zelta::fe::SplitHandle, messageSplit)
ZELTA_PART(QDockWidget, definitionDock)
ZELTA_PART(zelta::fe::DefinitionPanel, definitionPanel)
ZELTA_PART(QDockWidget, graphDock)
ZELTA_PART(zelta::fe::GraphPanel, graphPanel)
ZELTA_PART(QLabel, whereLabel)
ZELTA_PART(QProgressBar, runProgress)
ZELTA_PART(QLabel, runProgressText)
ZELTA_PART(QMenu, mnuFile)
ZELTA_PART(QAction, mnuFileSave)
ZELTA_PART(QAction, mnuFileSaveAs)
ZELTA_PART(QAction, mnuFilePrint)
ZELTA_PART(QAction, mnuFileExit)
ZELTA_PART(QMenu, mnuAnalysis)
ZELTA_PART(QAction, actRun)
ZELTA_PART(QAction, actStop)
ZELTA_PART(QMenu, mnuTools)
ZELTA_PART(QAction, mnuiniwrite)
ZELTA_PART(QAction, mnuToolsOptions)
ZELTA_PART(QMenu, mnuHelp)
ZELTA_PART(QAction, mnuHelpAbout)
ZELTA_PART(QMenu, mnuRightClick)
ZELTA_PART(QAction, mnuRemove)
#undef ZELTA_PART

}  // namespace ui
