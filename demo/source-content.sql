-- Some years of content of the old installation for the demo, added after source-database.sql:
-- a few thousand rows, numbered after the hand-written ones and made from fixed word lists, so
-- that every demo holds the same content.
--   psql -d synvora_old -f source-database.sql -f source-content.sql

INSERT INTO dbo.SYNVORAUSER (USERID, LOGINNAME, FULLNAME, EMAIL, ACTIVE)
SELECT n,
       lower(first) || '.' || lower(last) || n,
       first || ' ' || last,
       CASE WHEN n % 9 = 0 THEN NULL ELSE lower(first) || '.' || lower(last) || '@nordlicht.example' END,
       n % 13 <> 0
FROM generate_series(10, 249) AS n,
     LATERAL (SELECT (ARRAY['Anna', 'Björn', 'Chloé', 'Dirk', 'Elif', 'Frank', 'Greta', 'Hannes',
                            'Inés', 'Jonas', 'Katrin', 'Lars'])[1 + n % 12] AS first,
                     (ARRAY['Albers', 'Brückner', 'Claußen', 'Dupont', 'Engel', 'Fischer', 'García',
                            'Hansen', 'Iversen', 'Jäger', 'Krüger', 'Lindqvist', 'Meyer', 'Nowak',
                            'Østergaard'])[1 + (n / 12) % 15] AS last) AS names;

-- Subcategories of the four top-level ones of source-database.sql, each with a few of its own.
INSERT INTO dbo.SYNVORACATEGORY (CATEGORYID, PARENTID, NAME)
SELECT n, (ARRAY[10, 11, 12, 5])[1 + n % 4], area || ' ' || (2003 + n % 8)
FROM generate_series(20, 39) AS n,
     LATERAL (SELECT (ARRAY['Sales', 'Purchasing', 'Logistics', 'Human resources', 'Marketing'])[1 + n % 5]
                  AS area) AS areas;
INSERT INTO dbo.SYNVORACATEGORY (CATEGORYID, PARENTID, NAME)
SELECT n, 20 + n % 20, (ARRAY['Minutes', 'Reports', 'Forms', 'Correspondence'])[1 + n % 4] || ' ' || n
FROM generate_series(40, 99) AS n;

INSERT INTO dbo.SYNVORADOCUMENT (DOCUMENTID, CATEGORYID, AUTHORID, TITLE, BODY, CREATED)
SELECT n,
       20 + n % 80,
       10 + (n * 7) % 240,
       kind || ' ' || n || ': ' || topic,
       CASE WHEN n % 11 = 0 THEN NULL
            ELSE 'Zusammenfassung: ' || topic || '. Verantwortlich ist die Abteilung ' || (n % 17 + 1) ||
                 '; Rückfragen bitte per Mail. Résumé: ' || kind || ' über ' || topic || '.' END,
       timestamp '2003-01-06 08:00:00' + n * interval '17 hours 13 minutes'
FROM generate_series(1000, 3999) AS n,
     LATERAL (SELECT (ARRAY['Protokoll', 'Bericht', 'Angebot', 'Rundschreiben', 'Memo'])[1 + n % 5] AS kind,
                     (ARRAY['Quartalszahlen', 'Messe in Hannover', 'Lieferantenwechsel', 'Preisanpassung',
                            'Umzug der Filiale', 'Schulung für Außendienst', 'Jahresabschluss'])[1 + n % 7]
                         AS topic) AS words;

INSERT INTO dbo.SYNVORAATTACHMENT (ATTACHMENTID, DOCUMENTID, FILENAME, VIRTUALPATH)
SELECT n, 1000 + (n * 13) % 3000, 'Anlage ' || n || extension,
       '/attachments/' || (1000 + (n * 13) % 3000) || '/Anlage ' || n || extension
FROM generate_series(2000, 3499) AS n,
     LATERAL (SELECT (ARRAY['.pdf', '.xls', '.doc', '.jpg'])[1 + n % 4] AS extension) AS extensions;
