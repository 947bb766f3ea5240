#include "shell/helpcommands.h"

#include "shell/desktopapp.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QFile>
#include <QScrollBar>
#include <QTextBlock>

// The resource lives in a static library: its registration is not pulled
// in unless something names it.
static void registerGuide() { Q_INIT_RESOURCE(guide); }

namespace zk {

namespace {

constexpr int kHelpWidth = 760;
constexpr int kHelpHeight = 640;
constexpr int kHelpMargin = 16;

// "Entering items" -> "entering-items", as the guide's own links name its sections.
QString sectionSlug(const QString& heading)
{
    QString slug;
    for (const QChar c : heading.toLower()) {
        if (c.isLetterOrNumber() || c == '-')
            slug += c;
        else if (c == ' ')
            slug += '-';
    }
    return slug;
}

} // namespace

bool showGuideSection(QTextBrowser& browser, const QString& section)
{
    QTextDocument* document = browser.document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0 || sectionSlug(block.text()) != section)
            continue;
        browser.verticalScrollBar()->setValue(
            static_cast<int>(document->documentLayout()->blockBoundingRect(block).top()));
        return true;
    }
    return false;
}

QString userGuide()
{
    registerGuide();
    QFile file(":/help/guide.md");
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("# Zelkon\n\nThe user guide is missing from this build.");
    return QString::fromUtf8(file.readAll());
}

HelpCommands::HelpCommands(DesktopApp& app) : app_(app) {}

void HelpCommands::install(CommandDispatcher& dispatcher)
{
    dispatcher.setHandler(HelpCommand::contents, [this](int) { showContents(); });
}

void HelpCommands::showContents()
{
    if (!window_) {
        window_ = new QTextBrowser(&app_.window());
        window_->setWindowFlag(Qt::Window);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->setObjectName("HelpWindow");
        window_->setWindowTitle("Zelkon Help");
        // The Markdown reader gives headings no anchors: the guide's
        // "#section" links are followed here, web links by the desktop.
        window_->setOpenLinks(false);
        QObject::connect(window_, &QTextBrowser::anchorClicked, window_, [browser = window_.data()](const QUrl& url) {
            if (url.scheme().isEmpty() && url.hasFragment())
                showGuideSection(*browser, url.fragment());
            else
                QDesktopServices::openUrl(url);
        });
        window_->document()->setDocumentMargin(kHelpMargin);
        window_->setMarkdown(userGuide());
        window_->resize(kHelpWidth, kHelpHeight);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace zk
