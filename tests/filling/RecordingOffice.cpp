#include "RecordingOffice.h"

#include "filling/office/OfficeError.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

QString shown(const QString& text)
{
    QString s = text;
    return s.replace(QLatin1Char('\r'), QStringLiteral("<CR>"));
}

class Basic : public office::WordBasic {
public:
    explicit Basic(RecordingOffice& office) : office_(office) {}
    void FileOpen(const QString& name) override { office_.record(QStringLiteral("FileOpen(%1)").arg(name)); }
    void EditReplace(const QString& Find, const QString& Replace, bool ReplaceAll) override
    {
        office_.record(QStringLiteral("EditReplace(Find=%1, Replace=%2, ReplaceAll=%3)")
                           .arg(shown(Find), shown(Replace), ReplaceAll ? "true" : "false"));
    }
    QList<bool> FindEach(const QStringList& texts) override { return office_.search(QStringLiteral("FindEach"), texts); }
    void FillItemRows(const QStringList& identifiers, const QList<QStringList>& items) override
    {
        office_.record(QStringLiteral("FillItemRows(%1, %2 items)").arg(identifiers.join(',')).arg(items.size()));
    }

private:
    RecordingOffice& office_;
};

class Word : public office::WordApplication {
public:
    explicit Word(RecordingOffice& office) : office_(office) {}
    ~Word() override { office_.calls << QStringLiteral("release Word"); }
    void Visible(bool visible) override { office_.record(QStringLiteral("Visible(%1)").arg(visible ? "true" : "false")); }
    std::shared_ptr<office::WordBasic> WordBasic() override
    {
        office_.record(QStringLiteral("WordBasic"));
        return std::make_shared<Basic>(office_);
    }

private:
    RecordingOffice& office_;
};

class Range : public office::ExcelRange {
public:
    explicit Range(RecordingOffice& office) : office_(office) {}
    std::shared_ptr<office::ExcelRange> range(const QString& text) override
    {
        office_.record(QStringLiteral("range(%1)").arg(text));
        return std::make_shared<Range>(office_);
    }
    void replace(const QString& what, const QString& replacement) override
    {
        office_.record(QStringLiteral("replace(%1, %2)").arg(shown(what), shown(replacement)));
    }
    std::shared_ptr<office::ExcelRange> cellsHoldingAny(const QStringList& texts) override
    {
        QStringList shownTexts;
        for (const QString& text : texts)
            shownTexts << shown(text);
        office_.record(QStringLiteral("cellsHoldingAny(%1)").arg(shownTexts.join(QStringLiteral(", "))));
        return std::make_shared<Range>(office_);
    }

private:
    RecordingOffice& office_;
};

class Sheet : public office::ExcelWorksheet {
public:
    explicit Sheet(RecordingOffice& office) : office_(office) {}
    std::shared_ptr<office::ExcelRange> Columns() override
    {
        office_.record(QStringLiteral("Columns"));
        return std::make_shared<Range>(office_);
    }
    QList<int> rowsHoldingAny(const QString& rangeText, const QStringList&) override
    {
        office_.record(QStringLiteral("rowsHoldingAny(%1)").arg(rangeText));
        return {2};
    }
    void repeatRow(int row, int count) override { office_.record(QStringLiteral("repeatRow(%1, %2)").arg(row).arg(count)); }

private:
    RecordingOffice& office_;
};

class Book : public office::ExcelWorkbook {
public:
    explicit Book(RecordingOffice& office) : office_(office) {}
    std::shared_ptr<office::ExcelWorksheet> Worksheets(int n) override
    {
        office_.record(QStringLiteral("Worksheets(%1)").arg(n));
        if (n > office_.sheets)
            throw KvilmarError(QStringLiteral("no sheet %1").arg(n));
        return std::make_shared<Sheet>(office_);
    }
    QList<bool> findEach(const QStringList& texts) override { return office_.search(QStringLiteral("findEach"), texts); }

private:
    RecordingOffice& office_;
};

class Books : public office::ExcelWorkbooks {
public:
    explicit Books(RecordingOffice& office) : office_(office) {}
    void Add(const QString& name) override { office_.record(QStringLiteral("Add(%1)").arg(name)); }

private:
    RecordingOffice& office_;
};

class Excel : public office::ExcelApplication {
public:
    explicit Excel(RecordingOffice& office) : office_(office) {}
    ~Excel() override { office_.calls << QStringLiteral("release Excel"); }
    std::shared_ptr<office::ExcelWorkbooks> Workbooks() override
    {
        office_.record(QStringLiteral("Workbooks"));
        return std::make_shared<Books>(office_);
    }
    std::shared_ptr<office::ExcelWorkbook> Workbooks(int n) override
    {
        office_.record(QStringLiteral("Workbooks(%1)").arg(n));
        return std::make_shared<Book>(office_);
    }
    void visible(bool visible) override { office_.record(QStringLiteral("visible(%1)").arg(visible ? "true" : "false")); }

private:
    RecordingOffice& office_;
};

} // namespace

QStringList RecordingOffice::actions() const
{
    static const QRegularExpression getter(QStringLiteral("^(WordBasic|Workbooks(\\(\\d+\\))?|Columns)$"));
    QStringList out;
    for (const QString& call : calls)
        if (!getter.match(call).hasMatch())
            out << call;
    return out;
}

void RecordingOffice::record(const QString& call)
{
    calls << call;
    if (call.startsWith(QLatin1String("FileOpen(")) || call.startsWith(QLatin1String("Add(")))
        searchedSinceOpen_ = false;
    for (const QString& prefix : lost)
        if (call.startsWith(prefix))
            throw office::ConnectionLost(QStringLiteral("bridge disposed at ") + call);
    for (const QString& prefix : failing)
        if (call.startsWith(prefix))
            throw office::OfficeError(QStringLiteral("отказ: ") + call, QStringLiteral("refused: ") + call);
}

QList<bool> RecordingOffice::search(const QString& member, const QStringList& texts)
{
    QStringList shownTexts;
    for (const QString& text : texts)
        shownTexts << shown(text);
    const bool first = !searchedSinceOpen_;
    searchedSinceOpen_ = true;
    record(QStringLiteral("%1(%2)").arg(member, shownTexts.join(QStringLiteral(", "))));
    QList<bool> found;
    for (const QString& text : texts)
        found << (first ? !missingFromTemplate.contains(text) : leftInDocument.contains(text));
    return found;
}

bool RecordingOffice::opensAsSpreadsheet(const QString& fileName)
{
    record(QStringLiteral("opensAsSpreadsheet"));
    if (!spreadsheets.isEmpty())
        return spreadsheets.contains(fileName);
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx") || suffix == QLatin1String("ods");
}

std::shared_ptr<office::WordApplication> RecordingOffice::createWord(const QString& progId)
{
    record(QStringLiteral("create ") + progId);
    return std::make_shared<Word>(*this);
}

std::shared_ptr<office::ExcelApplication> RecordingOffice::createExcel(const QString& progId)
{
    record(QStringLiteral("create ") + progId);
    return std::make_shared<Excel>(*this);
}
