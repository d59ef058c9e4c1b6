#include "PageStyle.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// ASCII only: the pages declare iso-8859-1, and a style sheet without a
// charset rule is read in the page's.
const char kStyleSheet[] = R"css(/* Skribando: the program's own style sheet for the review pages.
   It is written only where no style sheet of this name exists, and never
   over one; change it freely or choose another on the settings page
   "Web-Seite". */

body.ubo {
	margin: 0;
	padding: 0;
	background: #faf8f3;
	color: #222;
	font-family: "DejaVu Sans", Verdana, Arial, sans-serif;
	font-size: 15px;
	line-height: 1.5;
}

/* The menu of the topic pages on the left; in the preview it is empty. */
.sidebarleft {
	float: left;
	padding: 1.2em 0 0 0;
}
.sidebarmenu {
	width: 12em;
	margin: 0 0 1em 1em;
	padding: 0.4em 0;
	background: #fff;
	border: 1px solid #e3dccb;
	border-radius: 6px;
}
.sidebarmenu ul {
	list-style: none;
	margin: 0;
	padding: 0;
}
.sidebarmenu li a {
	display: block;
	padding: 0.3em 1em;
	color: #8a3d05;
	text-decoration: none;
}
.sidebarmenu li a:hover,
.sidebarmenu li a:focus {
	background: #fbe6d2;
	text-decoration: underline;
}

/* The page beside the menu, at a length of line that reads well. */
.page {
	overflow: hidden;
	max-width: 48em;
	padding: 0.8em 1.5em 2em 1.5em;
}
h1 {
	margin: 0.4em 0 0.1em 0;
	color: #8a3d05;
	font-size: 1.8em;
	font-weight: bold;
	line-height: 1.2;
}
h2 {
	margin: 0 0 0.6em 0;
	padding-bottom: 0.4em;
	border-bottom: 2px solid #e8730c;
	color: #555;
	font-size: 1.15em;
	font-weight: normal;
}

/* One review: the cover floats beside its entry. */
.vex {
	clear: both;
	overflow: hidden;
	padding: 1em 0;
	border-bottom: 1px solid #e3dccb;
}
.pict {
	float: left;
	width: 100px;
	margin: 0.25em 1.2em 0.5em 0;
}
.pict img {
	display: block;
	max-width: 100px;
	height: auto;
	border: 0;
	box-shadow: 1px 1px 4px rgba(0, 0, 0, 0.25);
}
/* The entry's text keeps its column also beside a missing cover. */
.booktitle, .bookdata, .txt, .rating {
	margin-left: 118px;
}
.booktitle {
	margin-bottom: 0.2em;
	font-size: 1.1em;
	font-weight: bold;
	line-height: 1.35;
}
.booktitle img {
	margin-right: 0.4em;
	vertical-align: middle;
	border: 0;
}
.bookdata {
	margin-bottom: 0.5em;
	color: #555;
	font-size: 0.9em;
}
.txt {
	margin-bottom: 0.5em;
	font-family: "DejaVu Serif", Georgia, "Times New Roman", serif;
}
.rating {
	color: #8a3d05;
	font-size: 0.9em;
	font-style: italic;
}

/* Narrow windows: the menu goes above the page. */
@media screen and (max-width: 480px) {
	.sidebarleft {
		float: none;
	}
	.sidebarmenu {
		width: auto;
		margin-right: 1em;
	}
	.booktitle, .bookdata, .txt, .rating {
		margin-left: 0;
	}
}

/* Paper: no menu, black on white, no review split over two pages. */
@media print {
	body.ubo {
		background: #fff;
		color: #000;
		font-size: 11pt;
	}
	.sidebarleft {
		display: none;
	}
	.page {
		overflow: visible;
		max-width: none;
		padding: 0;
	}
	h1, h2, .bookdata, .rating {
		color: #000;
	}
	.vex {
		page-break-inside: avoid;
		break-inside: avoid;
	}
	.pict img {
		box-shadow: none;
	}
}
)css";

// An orange dot of 11 by 11 pixels with a transparent ground.
const char kBullet[] = "\x47\x49\x46\x38\x39\x61\x0b\x00\x0b\x00\xf2\x00\x00\xb4\x54\x0a\xbc\x59"
                       "\x0a\xc2\x5c\x0b\xdf\x6e\x0c\xe5\x71\x0c\xe8\x73\x0c\x00\x00\x00\x00\x00"
                       "\x00\x21\xf9\x04\x01\x00\x00\x06\x00\x2c\x00\x00\x00\x00\x0b\x00\x0b\x00"
                       "\x00\x03\x29\x68\xba\xcc\x01\x30\x34\x20\x06\x19\x02\xac\x20\x8a\xf7\x82"
                       "\x64\x00\xc3\xe7\x0d\xda\x48\x98\x05\x91\x92\x2c\xaa\x70\x6c\xb8\x50\x16"
                       "\x96\x6e\x10\x20\x36\x40\x43\x02\x00\x3b";

bool isPlainStyleSheetName(const QString &name)
{
    return name.size() > 4 && name.endsWith(QLatin1String(".css"), Qt::CaseInsensitive)
        && !name.contains(u'/') && !name.contains(u'\\') && !name.startsWith(u'.');
}

bool presentInAnyCase(const QString &folder, const QString &name)
{
    if (QFileInfo::exists(folder + name))
        return true;
    const QStringList entries
        = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool writeIfMissing(const QString &folder, const QString &name, const QByteArray &bytes)
{
    if (presentInAnyCase(folder, name))
        return false;
    QSaveFile file(folder + name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

namespace PageStyle {

QString BulletName() { return QStringLiteral("kreis_orange_klein.gif"); }

QByteArray DefaultStyleSheet() { return QByteArray(kStyleSheet, sizeof(kStyleSheet) - 1); }

QByteArray BulletImage() { return QByteArray(kBullet, sizeof(kBullet) - 1); }

QStringList EnsurePageStyle(const QString &htmlFolder, const QString &cssName)
{
    QStringList written;
    if (!QFileInfo(htmlFolder).isDir())
        return written;
    if (isPlainStyleSheetName(cssName) && writeIfMissing(htmlFolder, cssName, DefaultStyleSheet()))
        written.append(cssName);
    if (writeIfMissing(htmlFolder, BulletName(), BulletImage()))
        written.append(BulletName());
    return written;
}

} // namespace PageStyle
