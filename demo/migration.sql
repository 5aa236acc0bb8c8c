-- Synvora 2.5 database migration: copies the content of an E-Synvora 2.2 to 2.4 database into
-- the database of a new Synvora 2.5 installation. This is the demo and test edition, written for
-- PostgreSQL standing in for SQL Server.
--
-- The Migration Wizard runs it through osql.exe on the new server, in the new database, under
-- the login typed for it. Before the run the wizard fills in the six connection words of this
-- script with what was typed on its pages; the old database is then reached through dblink.
--
-- Everything is copied in one transaction: either all of it arrives or nothing does. Rows are
-- matched by their numbers, so a second run brings the new database up to date again instead of
-- adding rows twice. Parameters that the new installation has already are left as they are (they
-- name its own folders). The last batch makes the client print the commit line if, and only if,
-- the copy committed; the wizard judges the migration by that line.

CREATE EXTENSION IF NOT EXISTS dblink
GO

CREATE TABLE IF NOT EXISTS dbo.SYNVORAMIGRATION (
    MIGRATIONID serial PRIMARY KEY,
    SOURCESERVER varchar(255) NOT NULL,
    SOURCEDATABASE varchar(255) NOT NULL,
    MIGRATEDBY varchar(255) NOT NULL,
    FINISHED timestamp with time zone NOT NULL DEFAULT now(),
    USERS integer NOT NULL,
    CATEGORIES integer NOT NULL,
    DOCUMENTS integer NOT NULL,
    ATTACHMENTS integer NOT NULL,
    PARAMETERS integer NOT NULL
)
GO

-- A value for a libpq connection string: quoted, with backslashes and quotes escaped.
CREATE FUNCTION pg_temp.CONNINFOVALUE(value text) RETURNS text
LANGUAGE sql IMMUTABLE
AS $body$ SELECT '''' || replace(replace(value, '\', '\\'), '''', '\''') || '''' $body$
GO

DO $migration$
DECLARE
    old_server CONSTANT text := $field$SourceServer$field$;
    old_database CONSTANT text := $field$SourceDatabase$field$;
    old_login CONSTANT text := $field$SourceUser$field$;
    old_password CONSTANT text := $field$SourcePassword$field$;
    new_database CONSTANT text := $field$DestinationDataBase$field$;
    new_login CONSTANT text := $field$DestinationUser$field$;
    users integer;
    categories integer;
    documents integer;
    attachments integer;
    parameters integer;
    reason text;
BEGIN
    IF current_database() <> new_database THEN
        RAISE EXCEPTION 'The migration runs in the database %, not in the new database %',
            current_database(), new_database;
    END IF;

    BEGIN
        PERFORM dblink_connect('synvora_old',
            'host=' || pg_temp.CONNINFOVALUE(old_server) ||
            ' dbname=' || pg_temp.CONNINFOVALUE(old_database) ||
            ' user=' || pg_temp.CONNINFOVALUE(old_login) ||
            ' password=' || pg_temp.CONNINFOVALUE(old_password));
    EXCEPTION WHEN sqlclient_unable_to_establish_sqlconnection THEN
        -- Reported as an error of the script: the state of this error would tell a client that
        -- its own connection was lost.
        GET STACKED DIAGNOSTICS reason = PG_EXCEPTION_DETAIL;
        RAISE EXCEPTION 'The old database % on % cannot be reached: %', old_database, old_server, reason;
    END;

    INSERT INTO dbo.SYNVORAUSER (USERID, LOGINNAME, FULLNAME, EMAIL, ACTIVE)
    SELECT * FROM dblink('synvora_old',
        'SELECT USERID, LOGINNAME, FULLNAME, EMAIL, ACTIVE FROM dbo.SYNVORAUSER')
        AS old (USERID integer, LOGINNAME varchar(64), FULLNAME varchar(255), EMAIL varchar(255),
                ACTIVE boolean)
    ON CONFLICT (USERID) DO UPDATE SET
        LOGINNAME = EXCLUDED.LOGINNAME, FULLNAME = EXCLUDED.FULLNAME, EMAIL = EXCLUDED.EMAIL,
        ACTIVE = EXCLUDED.ACTIVE;
    GET DIAGNOSTICS users = ROW_COUNT;

    -- Categories arrive without their parents first, since a parent may come after its child.
    CREATE TEMPORARY TABLE OLDCATEGORY ON COMMIT DROP AS
    SELECT * FROM dblink('synvora_old',
        'SELECT CATEGORYID, PARENTID, NAME FROM dbo.SYNVORACATEGORY')
        AS old (CATEGORYID integer, PARENTID integer, NAME varchar(255));
    INSERT INTO dbo.SYNVORACATEGORY (CATEGORYID, PARENTID, NAME)
    SELECT CATEGORYID, NULL, NAME FROM OLDCATEGORY
    ON CONFLICT (CATEGORYID) DO UPDATE SET NAME = EXCLUDED.NAME;
    GET DIAGNOSTICS categories = ROW_COUNT;
    UPDATE dbo.SYNVORACATEGORY AS category SET PARENTID = old.PARENTID
    FROM OLDCATEGORY AS old WHERE category.CATEGORYID = old.CATEGORYID;

    INSERT INTO dbo.SYNVORADOCUMENT (DOCUMENTID, CATEGORYID, AUTHORID, TITLE, BODY, CREATED)
    SELECT * FROM dblink('synvora_old',
        'SELECT DOCUMENTID, CATEGORYID, AUTHORID, TITLE, BODY, CREATED FROM dbo.SYNVORADOCUMENT')
        AS old (DOCUMENTID integer, CATEGORYID integer, AUTHORID integer, TITLE varchar(255),
                BODY text, CREATED timestamp)
    ON CONFLICT (DOCUMENTID) DO UPDATE SET
        CATEGORYID = EXCLUDED.CATEGORYID, AUTHORID = EXCLUDED.AUTHORID, TITLE = EXCLUDED.TITLE,
        BODY = EXCLUDED.BODY, CREATED = EXCLUDED.CREATED;
    GET DIAGNOSTICS documents = ROW_COUNT;

    INSERT INTO dbo.SYNVORAATTACHMENT (ATTACHMENTID, DOCUMENTID, FILENAME, VIRTUALPATH)
    SELECT * FROM dblink('synvora_old',
        'SELECT ATTACHMENTID, DOCUMENTID, FILENAME, VIRTUALPATH FROM dbo.SYNVORAATTACHMENT')
        AS old (ATTACHMENTID integer, DOCUMENTID integer, FILENAME varchar(255),
                VIRTUALPATH varchar(255))
    ON CONFLICT (ATTACHMENTID) DO UPDATE SET
        DOCUMENTID = EXCLUDED.DOCUMENTID, FILENAME = EXCLUDED.FILENAME,
        VIRTUALPATH = EXCLUDED.VIRTUALPATH;
    GET DIAGNOSTICS attachments = ROW_COUNT;

    INSERT INTO dbo.SYNVORAPARAMETER (PARAMNAME, PARAMVALUE)
    SELECT old.PARAMNAME, old.PARAMVALUE FROM dblink('synvora_old',
        'SELECT PARAMNAME, PARAMVALUE FROM dbo.SYNVORAPARAMETER')
        AS old (PARAMNAME varchar(255), PARAMVALUE text)
    WHERE NOT EXISTS (SELECT 1 FROM dbo.SYNVORAPARAMETER AS own WHERE own.PARAMNAME = old.PARAMNAME);
    GET DIAGNOSTICS parameters = ROW_COUNT;

    PERFORM dblink_disconnect('synvora_old');

    INSERT INTO dbo.SYNVORAMIGRATION
        (SOURCESERVER, SOURCEDATABASE, MIGRATEDBY, USERS, CATEGORIES, DOCUMENTS, ATTACHMENTS, PARAMETERS)
    VALUES (old_server, old_database, new_login, users, categories, documents, attachments, parameters);
    RAISE NOTICE 'Migrated % users, % categories, % documents, % attachments and % new parameters.',
        users, categories, documents, attachments, parameters;

    -- A setting made in a transaction that rolls back is rolled back with it, so the next batch
    -- sees it only when this one committed.
    PERFORM set_config('synvora.migration_committed', 'yes', false);
END
$migration$
GO

DO $report$
BEGIN
    IF current_setting('synvora.migration_committed', true) = 'yes' THEN
        RAISE NOTICE '%', 'COMMIT' || ' TRANSACTION';
    ELSE
        RAISE EXCEPTION 'The migration was rolled back: nothing of the old database was kept.';
    END IF;
END
$report$
GO
