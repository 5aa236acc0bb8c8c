-- Demo database of a new, still empty Synvora 2.5 installation, for PostgreSQL standing in for
-- SQL Server. Run it as the owner (the login "sa") inside an empty database, for example:
--   CREATE DATABASE synvora_new OWNER sa;   then   psql -d synvora_new -f destination-database.sql
-- The tables are those of the old installation, with the columns 2.5 added; the parameter table
-- holds the new installation's own folders, and the only user is the built-in administrator.

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
    ACTIVE boolean NOT NULL DEFAULT true,
    LASTLOGIN timestamp
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
    CREATED timestamp NOT NULL,
    STATUS varchar(20) NOT NULL DEFAULT 'published'
);

CREATE TABLE dbo.SYNVORAATTACHMENT (
    ATTACHMENTID integer PRIMARY KEY,
    DOCUMENTID integer NOT NULL REFERENCES dbo.SYNVORADOCUMENT (DOCUMENTID),
    FILENAME varchar(255) NOT NULL,
    VIRTUALPATH varchar(255) NOT NULL
);

INSERT INTO dbo.SYNVORAPARAMETER (PARAMNAME, PARAMVALUE) VALUES
    ('AttachmentsVirtualPath', 'C:\Program Files\Synvora\Attachments'),
    ('ExcelTempFolder', 'C:\Program Files\Synvora\ExcelTemp'),
    ('ExcelTemplatesPath', 'C:\Program Files\Synvora\ExcelTemplates'),
    ('XMLErrorPath', 'C:\Program Files\Synvora\XMLError'),
    ('Version', '2.5');

INSERT INTO dbo.SYNVORAUSER (USERID, LOGINNAME, FULLNAME, EMAIL, ACTIVE) VALUES
    (1, 'admin', 'Synvora Administrator', NULL, true);
