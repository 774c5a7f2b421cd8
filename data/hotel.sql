-- The hotel database: the tables the set-up tool and the main programs share.
-- Runs on SQL Server 2005 and later with sqlcmd (UTF-8: sqlcmd -f 65001), on SQL Server 2000 with
-- osql once prepared as data/README.md says, and on our stand-in.
-- The directory c:\vqbuild must exist; the files are only the build's working copy, the
-- shipped backup is restored elsewhere with WITH MOVE 'hotel_data' / 'hotel_log'.
-- The varchar columns hold Chinese: the collation's code page (936) must be able to store it,
-- whatever the server's default.
:on error exit

CREATE DATABASE hotel
ON (NAME = hotel_data, FILENAME = 'c:\vqbuild\hotel_data.mdf')
LOG ON (NAME = hotel_log, FILENAME = 'c:\vqbuild\hotel_log.ldf')
COLLATE Chinese_PRC_CI_AS
GO

USE hotel
GO

-- Function modules of the product; F_SFSY "1" enabled, F_QYNDQJ the period (yyyymm) from
-- which it is enabled, "000000" when not.
CREATE TABLE LSXTMC (
    F_XTBH varchar(4) NOT NULL CONSTRAINT PK_LSXTMC PRIMARY KEY,
    F_XTMC nvarchar(20) NOT NULL,
    F_SFSY char(1) NULL,
    F_QYNDQJ varchar(6) NULL
)
GO

-- Menu entries of the main programs; ifini "Y" open, "N" closed; gsxtxx_js "1" opened on
-- every save of the module page.
CREATE TABLE t_zd_menu (
    win_name varchar(40) NOT NULL CONSTRAINT PK_t_zd_menu PRIMARY KEY,
    menu_name nvarchar(40) NULL,
    ifini char(1) NULL,
    gsxtxx_js char(1) NULL
)
GO

-- The hotel's business date.
CREATE TABLE hotel_date (
    hotel_date datetime NOT NULL
)
GO

-- The business's own details: one row, code "01".
CREATE TABLE t_zd_user (
    code varchar(2) NOT NULL CONSTRAINT PK_t_zd_user PRIMARY KEY,
    name nvarchar(100) NULL,
    ename varchar(50) NULL,
    phone varchar(30) NULL,
    tax varchar(30) NULL,
    address nvarchar(50) NULL,
    hangye varchar(10) NULL
)
GO

-- Accounting periods; the flags: "0" previous, "1" current, "2" next year.
CREATE TABLE lskjqj (
    LSKJQJ_QJBH varchar(2) NOT NULL CONSTRAINT PK_lskjqj PRIMARY KEY,
    LSKJQJ_QSRQ varchar(4) NULL,
    LSKJQJ_JSRQ varchar(4) NULL,
    lskjqj_flag char(1) NULL,
    lskjqj_flag1 char(1) NULL
)
GO
