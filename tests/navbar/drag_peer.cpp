// Another program in a drag and drop on a real display, for trying the side bar under a window
// manager:
//   drag_peer source text|files   a window whose left press drags a text or a file list
//                                 (copy or move, copy proposed); a source that honours a move
//                                 deletes what it gave, as a file manager or an editor does
//   drag_peer target [refuse]     a window that accepts whatever is dropped with the action
//                                 proposed; with refuse it accepts while hovering and
//                                 refuses the drop
// Each prints one line per event on stdout ("result move", "drop copy mxSideBar Reference,...").
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <cstdio>

namespace {

const char* ActionName(Qt::DropAction action) {
    switch (action) {
        case Qt::CopyAction:
            return "copy";
        case Qt::MoveAction:
            return "move";
        case Qt::LinkAction:
            return "link";
        default:
            return "none";
    }
}

void Say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

class Peer : public QLabel {
  public:
    Peer(bool source, bool files, bool refuse) : source_(source), files_(files), refuse_(refuse) {
        setText(source ? (files ? "file source" : "text source") : "drop target");
        setAlignment(Qt::AlignCenter);
        setAcceptDrops(!source);
        setWindowTitle(source   ? "drag_peer source"
                       : refuse ? "drag_peer refusing target"
                                : "drag_peer target");
        resize(240, 160);
    }

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (!source_ || event->button() != Qt::LeftButton) {
            return;
        }
        auto* data = new QMimeData;
        if (files_) {
            data->setUrls({QUrl::fromLocalFile("/tmp/drag_peer_a.txt"),
                           QUrl::fromLocalFile("/tmp/drag_peer_b.txt")});
        } else {
            data->setText("dragged text");
        }
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        Say(QStringLiteral("result %1").arg(ActionName(result)));
        if (result == Qt::MoveAction) {
            setText("moved away: deleted");
        }
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        Say(QStringLiteral("enter %1").arg(ActionName(event->proposedAction())));
        event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        Say(QStringLiteral("%1 %2 %3")
                .arg(refuse_ ? "refused" : "drop", ActionName(event->proposedAction()),
                     event->mimeData()->formats().join(',')));
        if (refuse_) {
            event->ignore();
        } else {
            event->acceptProposedAction();
        }
    }

  private:
    bool source_;
    bool files_;
    bool refuse_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool source = args.value(1) == QLatin1String("source");
    if (!source && args.value(1) != QLatin1String("target")) {
        std::fprintf(stderr, "usage: drag_peer source text|files | drag_peer target [refuse]\n");
        return 2;
    }
    Peer peer(source, args.value(2) == QLatin1String("files"),
              args.value(2) == QLatin1String("refuse"));
    peer.show();
    return app.exec();
}
