-- Demo content of an old E-Synvora 2.4 installation, for PostgreSQL standing in for SQL Server.
-- Run it as the owner (the login "sa") inside an empty database, for example:
--   CREATE DATABASE synvora_old OWNER sa;   then   psql -d synvora_old -f source-database.sql
-- Table and column names are unquoted, so the server keeps them in lower case; queries written
-- in upper case (dbo.SYNVORAPARAMETER, PARAMNAME) reach them all the same.

CREATE SCHEMA IF NOT EXISTS dbo;

CREATE TABLE dbo.SYNVORAPARAMETER (
    PARAMNAME varchar(255) NOT NULL PRIMARY KEY,
    PARAMVALUE text
);

CREATE TABLE dbo.SYNVORAUSER (
    USERID integer PRIMARY KEY,
    LOGINNAME varchar(64) NOT NULL UNIQUE,
    FULLNAME varchar(255) NOT NULL,
    EMAIL varchar(255),
    ACTIVE boolean NOT NULL DEFAULT true
);

CREATE TABLE dbo.SYNVORACATEGORY (
    CATEGORYID integer PRIMARY KEY,
    PARENTID integer REFERENCES dbo.SYNVORACATEGORY (CATEGORYID),
    NAME varchar(255) NOT NULL
);

CREATE TABLE dbo.SYNVORADOCUMENT (
    DOCUMENTID integer PRIMARY KEY,
    CATEGORYID integer NOT NULL REFERENCES dbo.SYNVORACATEGORY (CATEGORYID),
    AUTHORID integer NOT NULL REFERENCES dbo.SYNVORAUSER (USERID),
    TITLE varchar(255) NOT NULL,
    BODY text,
    CREATED timestamp NOT NULL
);

CREATE TABLE dbo.SYNVORAATTACHMENT (
    ATTACHMENTID integer PRIMARY KEY,
    DOCUMENTID integer NOT NULL REFERENCES dbo.SYNVORADOCUMENT (DOCUMENTID),
    FILENAME varchar(255) NOT NULL,
    VIRTUALPATH varchar(255) NOT NULL
);

-- The folders of the old web server that the web job copies (the attachments below the
-- installation folder D:\Synvora, the others where they lie on that server), and settings of the
-- old installation; the new installation keeps its own value where it has one.
INSERT INTO dbo.SYNVORAPARAMETER (PARAMNAME, PARAMVALUE) VALUES
    ('AttachmentsVirtualPath', 'Attachments'),
    ('ExcelTempFolder', 'D:\Synvora\ExcelTemp'),
    ('ExcelTemplatesPath', 'D:\Synvora\ExcelTemplates'),
    ('XMLErrorPath', 'D:\Synvora\XMLError'),
    ('Version', '2.4'),
    ('CompanyName', 'Nordlicht Handels GmbH'),
    ('MailServer', 'mail.nordlicht.example');

INSERT INTO dbo.SYNVORAUSER (USERID, LOGINNAME, FULLNAME, EMAIL, ACTIVE) VALUES
    (1, 'admin', 'E-Synvora Administrator', 'admin@nordlicht.example', true),
    (2, 'jmueller', 'Jürgen Müller', 'j.mueller@nordlicht.example', true),
    (3, 'abernard', 'Aurélie Bernard', 'a.bernard@nordlicht.example', true),
    (4, 'kformer', 'Karl Former', NULL, false);

-- A subcategory may carry a lower number than its parent: it was moved after it was created.
INSERT INTO dbo.SYNVORACATEGORY (CATEGORYID, PARENTID, NAME) VALUES
    (10, NULL, 'Company'),
    (11, 10, 'Announcements'),
    (12, NULL, 'Products');
INSERT INTO dbo.SYNVORACATEGORY (CATEGORYID, PARENTID, NAME) VALUES
    (5, 12, 'Price lists');

INSERT INTO dbo.SYNVORADOCUMENT (DOCUMENTID, CATEGORYID, AUTHORID, TITLE, BODY, CREATED) VALUES
    (100, 11, 2, 'Opening hours over the holidays', 'Closed from 24 to 26 December.', '2009-12-01 09:30:00'),
    (101, 11, 3, 'Café in the new building', 'Opens on Monday; coffee costs 1,20 €.', '2010-03-15 14:00:00'),
    (102, 12, 2, 'Product overview 2010', NULL, '2010-01-04 08:00:00'),
    (103, 5, 4, 'Price list spring 2010', 'See the attached sheet.', '2010-02-20 11:45:00'),
    (104, 10, 1, 'About us', 'Founded 1987 in Kiel.', '2008-06-30 17:05:00');

INSERT INTO dbo.SYNVORAATTACHMENT (ATTACHMENTID, DOCUMENTID, FILENAME, VIRTUALPATH) VALUES
    (1000, 103, 'Preisliste Frühjahr 2010.xls', '/attachments/103/Preisliste Frühjahr 2010.xls'),
    (1001, 101, 'cafe.jpg', '/attachments/101/cafe.jpg'),
    (1002, 102, 'overview.pdf', '/attachments/102/overview.pdf');
