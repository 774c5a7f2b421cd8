#include "standin/engine/Errors.h"

namespace standin {

namespace {

struct Entry {
    int number;
    int severity;
    int state;
    const char* format;
};

// Texts as SQL Server's message catalogue words them.
const Entry kEntries[] = {
    {18456, 14, 1, "Login failed for user '%s'."},
    {4060, 11, 1, "Cannot open database \"%s\" requested by the login. The login failed."},
    {911, 16, 1,
     "Could not locate entry in sysdatabases for database '%s'. No entry found with "
     "that name. Make sure that the name is entered correctly."},
    {208, 16, 1, "Invalid object name '%s'."},
    {207, 16, 1, "Invalid column name '%s'."},
    {102, 15, 1, "Incorrect syntax near '%s'."},
    {156, 15, 1, "Incorrect syntax near the keyword '%s'."},
    {170, 15, 1, "Line 1: Incorrect syntax near '%s'."},
    {105, 15, 1, "Unclosed quotation mark before the character string '%s'."},
    {137, 15, 2, "Must declare the variable '%s'."},
    {2627, 14, 1,
     "Violation of PRIMARY KEY constraint '%s'. Cannot insert duplicate key in "
     "object '%s'."},
    {2601, 14, 1, "Cannot insert duplicate key row in object '%s' with unique index '%s'."},
    {515, 16, 2,
     "Cannot insert the value NULL into column '%s', table '%s'; column does not "
     "allow nulls. %s fails."},
    {3621, 0, 1, "The statement has been terminated."},
    {8152, 16, 9, "String or binary data would be truncated."},
    {2714, 16, 6, "There is already an object named '%s' in the database."},
    {3701, 11, 5, "Cannot drop the table '%s', because it does not exist in the system catalog."},
    {2715, 16, 3, "Column or parameter #%s: Cannot find data type %s."},
    {195, 15, 10, "'%s' is not a recognized function name."},
    {5170, 16, 1, "Cannot create file '%s' because it already exists."},
    {103201, 16, 1,
     "Cannot open backup device '%s'. Operating system error 3(The system cannot find the path "
     "specified.)."},
    {1801, 16, 3, "Database '%s' already exists."},
    {3701 + 100000, 11, 5,
     "Cannot drop the database '%s', because it does not exist in the system "
     "catalog."},
    {3702, 16, 3, "Cannot drop database \"%s\" because it is currently in use."},
    {5105, 16, 2, "Device activation error. The physical file name '%s' may be incorrect."},
    {1802, 16, 1,
     "CREATE DATABASE failed. Some file names listed could not be created. Check "
     "previous errors."},
    {3902, 16, 1, "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."},
    {3903, 16, 1, "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION."},
    {226, 16, 6, "%s statement not allowed within multi-statement transaction."},
    {1222, 16, 51, "Lock request time out period exceeded."},
    {241, 16, 1, "Syntax error converting datetime from character string."},
    {242, 16, 3,
     "The conversion of a char data type to a datetime data type resulted in an out-of-range "
     "datetime value."},
    {245, 16, 1, "Syntax error converting the varchar value '%s' to a column of data type int."},
    {3201, 16, 2,
     "Cannot open backup device '%s'. Operating system error 2(The system cannot "
     "find the file specified.)."},
    {3202, 16, 1,
     "Write on '%s' failed, status = %s. See the SQL Server error log for more "
     "details."},
    {3241, 16, 1,
     "The media family on device '%s' is incorrectly formed. SQL Server cannot "
     "process this media family."},
    {3234, 16, 1,
     "Logical file '%s' is not part of database '%s'. Use RESTORE FILELISTONLY to "
     "list the logical file names."},
    {5133, 16, 1,
     "Directory lookup for the file \"%s\" failed with the operating system error "
     "3(The system cannot find the path specified.)."},
    {3156, 16, 1,
     "File '%s' cannot be restored to '%s'. Use WITH MOVE to identify a valid "
     "location for the file."},
    {3119, 16, 1,
     "Problems were identified while planning for the RESTORE statement. Previous "
     "messages provide details."},
    {3154, 16, 4,
     "The backup set holds a backup of a database other than the existing '%s' "
     "database."},
    {1834, 16, 1, "The file '%s' cannot be overwritten.  It is being used by database '%s'."},
    {3142, 16, 1,
     "File \"%s\" cannot be restored over the existing \"%s\". Reissue the RESTORE "
     "statement using WITH REPLACE to overwrite pre-existing files, or WITH MOVE to "
     "identify an alternate location."},
    {3101, 16, 1, "Exclusive access could not be obtained because the database is in use."},
    {3021, 16, 1, "Cannot perform a backup or restore operation within a transaction."},
    {3013, 16, 1, "RESTORE DATABASE is terminating abnormally."},
    {3013 + 100000, 16, 1, "BACKUP DATABASE is terminating abnormally."},
    {4035, 10, 1, "Processed %s pages for database '%s', file '%s' on file 1."},
    {3014, 10, 1, "RESTORE DATABASE successfully processed %s pages in %s seconds (%s MB/sec)."},
    {3014 + 100000, 10, 1,
     "BACKUP DATABASE successfully processed %s pages in %s seconds (%s MB/sec)."},
    {5701, 10, 1, "Changed database context to '%s'."},
    {2812, 16, 62, "Could not find stored procedure '%s'."},
    {40000, 16, 1, "%s"},
};

const Entry* find(int number) {
    for (const Entry& e : kEntries)
        if (e.number == number)
            return &e;
    return nullptr;
}

std::string fill(const char* format, const std::vector<std::string>& args) {
    std::string out;
    std::size_t next = 0;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'd')) {
            if (next < args.size())
                out += args[next];
            ++next;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

} // namespace

Message Errors::make(int number, const std::vector<std::string>& args) {
    const Entry* e = find(number);
    Message m;
    if (!e) {
        e = find(40000);
        m.number = number;
    } else {
        // Entries above 100000 are second wordings of the same SQL Server number.
        m.number = number % 100000;
    }
    m.severity = e->severity;
    m.state = e->state;
    m.text = fill(e->format, args);
    return m;
}

Message Errors::makeWithState(int number, int state, const std::vector<std::string>& args) {
    Message m = make(number, args);
    m.state = state;
    return m;
}

} // namespace standin
