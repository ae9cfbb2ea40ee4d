-- The server side of the object interface on PostgreSQL.
--
-- Workstations connect as a role that may execute the functions of schema
-- arbeitsplatz and nothing else: no table, no other schema, no temporary
-- tables. Each function runs with the rights of its owner (the owner of the
-- tables), with a pinned search_path, and checks its arguments itself, since
-- anyone who has a workstation's password can call it from psql. Helpers live
-- in schema intern, which workstations cannot reach.
--
-- Run by the owner in the upgrade's transaction; every statement may run
-- again, so a later version replaces what an earlier one made.
--
-- {{name}} stands for one of the engine's ledger statements (the ones that
-- change who a swipe or card belongs to), the same text SQLite runs, with its
-- parameters as the function's v_ variables: each such rule is written once.

CREATE SCHEMA IF NOT EXISTS arbeitsplatz;
CREATE SCHEMA IF NOT EXISTS intern;

-- Nothing for everybody: roles get what karven-admin grant gives them.
REVOKE ALL ON SCHEMA public, arbeitsplatz, intern FROM PUBLIC;
DO $$ BEGIN EXECUTE format('REVOKE ALL ON DATABASE %I FROM PUBLIC', current_database()); END $$;
ALTER DEFAULT PRIVILEGES REVOKE EXECUTE ON FUNCTIONS FROM PUBLIC;

-- Functions of earlier versions that these replace.
DROP FUNCTION IF EXISTS arbeitsplatz.nopers(bigint);
DROP FUNCTION IF EXISTS arbeitsplatz.nopers_loeschen(bigint, text);
DROP FUNCTION IF EXISTS intern.karte_umhaengen(text, text, text, text, text);
DROP FUNCTION IF EXISTS intern.protokollieren(text, text, text, text, text, text, text);
DROP FUNCTION IF EXISTS intern.mitarbeiter_pruefen(text, text);

-- Helpers ---------------------------------------------------------------

-- Now as the log and the bookings keep it: yyyymmddhhmmss.
CREATE OR REPLACE FUNCTION intern.jetzt() RETURNS text
LANGUAGE plpgsql STABLE SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    RETURN to_char(localtimestamp, 'YYYYMMDDHH24MISS');
END $$;

-- Errors carry the engine's error number as SQLSTATE K<number>; the engine
-- raises them with that number and the message.
CREATE OR REPLACE FUNCTION intern.ablehnen(nummer text, meldung text) RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    RAISE EXCEPTION USING ERRCODE = 'K' || nummer, MESSAGE = meldung;
END $$;

-- The card field of a booking text: ten characters, right-aligned; empty when
-- the card is empty or longer. A full field is taken as it stands.
CREATE OR REPLACE FUNCTION intern.kartenfeld(karte text) RETURNS text
LANGUAGE plpgsql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    ohne_rand text := btrim(coalesce(karte, ''), E' \t\n\r\f\v');
BEGIN
    IF ohne_rand = '' OR length(ohne_rand) > 10 THEN
        RETURN '';
    END IF;
    RETURN CASE WHEN length(karte) = 10 THEN karte ELSE lpad(ohne_rand, 10) END;
END $$;

-- A workstation whose server context names a company works on that company only.
CREATE OR REPLACE FUNCTION intern.firma_des_arbeitsplatzes(firma text, kontext_firma text) RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF kontext_firma IS NOT NULL AND btrim(kontext_firma) <> firma THEN
        PERFORM intern.ablehnen('5301', format('Firma %s ist nicht die Firma dieses Arbeitsplatzes (%s)',
                                               left(firma, 40), left(btrim(kontext_firma), 40)));
    END IF;
END $$;

-- Only an active employee of the company gets a card.
CREATE OR REPLACE FUNCTION intern.aktiven_mitarbeiter_pruefen(p_firma text, p_pnr text) RETURNS void
LANGUAGE plpgsql SET search_path = public, pg_temp AS $$
DECLARE
    v_aktiv text;
BEGIN
    SELECT b.aktiv INTO v_aktiv FROM persbasis b WHERE b.firma = p_firma AND b.pnr = p_pnr;
    IF NOT FOUND THEN
        PERFORM intern.ablehnen('5301', format('Mitarbeiter %s der Firma %s existiert nicht',
                                               left(p_pnr, 40), left(p_firma, 40)));
    END IF;
    IF v_aktiv IS DISTINCT FROM 'J' THEN
        PERFORM intern.ablehnen('5301', format('Mitarbeiter %s der Firma %s ist nicht aktiv und bekommt keine Karte',
                                               left(p_pnr, 40), left(p_firma, 40)));
    END IF;
END $$;

-- Reading objects: the members the program reads, by key -------------------

CREATE OR REPLACE FUNCTION arbeitsplatz.schemaversion() RETURNS integer
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN (SELECT max(s.version) FROM schemaversion s);
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.parpersedv(p_firma text, p_code text)
RETURNS TABLE (passwort text, aktiv text, pname text, pnr text, abtnr text, dw text, bergrp text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT e.passwort, e.aktiv, e.pname, e.pnr, e.abtnr, e.dw, e.bergrp
                   FROM parpersedv e WHERE e.firma = p_firma AND e.code = p_code;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.parpersabt(p_firma text, p_abtnr text)
RETURNS TABLE (abtbez text, abtnr text, habtnr text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT a.abtbez, a.abtnr, a.habtnr FROM parpersabt a
                  WHERE a.firma = p_firma AND a.abtnr = p_abtnr;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.persbasis(p_firma text, p_pnr text)
RETURNS TABLE (name text, vorname text, aktiv text, fax text, email text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT b.name, b.vorname, b.aktiv, b.fax, b.email FROM persbasis b
                  WHERE b.firma = p_firma AND b.pnr = p_pnr;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.stempelung(p_id bigint)
RETURNS TABLE (firma text, karte text, buchungstext text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT s.firma, s.karte, s.buchungstext FROM stempelung s WHERE s.id = p_id;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.kassasw(p_id bigint)
RETURNS TABLE (name text, firma text, fil text, ip text, port text, namespace text, type integer)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT s.name, s.firma, s.fil, s.ip, s.port, s.namespace, s.type FROM kassasw s
                  WHERE s.id = p_id;
END $$;

-- Queries --------------------------------------------------------------------

-- The third parameter is reserved by the server and not evaluated.
CREATE OR REPLACE FUNCTION arbeitsplatz.userviapasswort(p_passwort text, p_firma text, p_reserviert text)
RETURNS TABLE (code text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT e.code FROM parpersedv e
                  WHERE e.passwort = p_passwort AND e.firma = p_firma AND p_reserviert IS NOT NULL
                  ORDER BY e.code;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.listeaktiv(p_firma text)
RETURNS TABLE (pnr text, name text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT b.pnr, b.name || ', ' || b.vorname FROM persbasis b
                  WHERE b.firma = p_firma AND b.aktiv = 'J' ORDER BY b.name, b.vorname, b.pnr;
END $$;

-- The open swipes of the company, or all of them without one. Two
-- statements, so that each keeps its own plan on the partial indexes.
CREATE OR REPLACE FUNCTION arbeitsplatz.nopers_liste(p_firma text)
RETURNS TABLE (id bigint, buchungstext text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    IF p_firma IS NULL THEN
        RETURN QUERY SELECT s.id, s.buchungstext FROM stempelung s
                      WHERE s.pnr IS NULL AND s.erledigt_am IS NULL ORDER BY s.id;
    ELSE
        RETURN QUERY SELECT s.id, s.buchungstext FROM stempelung s
                      WHERE s.pnr IS NULL AND s.erledigt_am IS NULL AND s.firma = p_firma ORDER BY s.id;
    END IF;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.nopers_anzahlneu(p_nach bigint, p_firma text) RETURNS bigint
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    IF p_firma IS NULL THEN
        RETURN (SELECT count(*) FROM stempelung s WHERE s.pnr IS NULL AND s.erledigt_am IS NULL AND s.id > p_nach);
    END IF;
    RETURN (SELECT count(*) FROM stempelung s
             WHERE s.pnr IS NULL AND s.erledigt_am IS NULL AND s.id > p_nach AND s.firma = p_firma);
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.karteninhaber(p_firma text, p_karte text)
RETURNS TABLE (pnr text, name text, von text, am text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT k.pnr, COALESCE(p.name || ', ' || p.vorname, ''), k.zugeordnet_von, k.zugeordnet_am
                   FROM karte k LEFT JOIN persbasis p ON p.firma = k.firma AND p.pnr = k.pnr
                  WHERE k.firma = btrim(p_firma) AND btrim(k.karte) = btrim(p_karte);
END $$;

-- The second parameter is reserved by the server and not evaluated.
CREATE OR REPLACE FUNCTION arbeitsplatz.connstrg(p_type integer, p_reserviert text)
RETURNS TABLE (id integer, name text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT s.id, s.name FROM kassasw s
                  WHERE s.type = p_type AND p_reserviert IS NOT NULL ORDER BY s.id;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.filialen(p_firma text)
RETURNS TABLE (fil text, name text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT s.fil, s.name FROM kassasw s
                  WHERE s.firma = btrim(p_firma) AND s.type = 0 ORDER BY s.id;
END $$;

-- The assignment log newest first, the last 1000; an empty card, employee or
-- day matches any, a null company every company.
CREATE OR REPLACE FUNCTION arbeitsplatz.zuordnungen(p_karte text, p_pnr text, p_tag text, p_firma text)
RETURNS TABLE (id bigint, am text, karte text, pnr_vorher text, pnr text, name text, art text, von text,
               buchungen bigint)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY
    SELECT z.id, z.am, z.karte, z.pnr_vorher, z.pnr, COALESCE(p.name || ', ' || p.vorname, ''), z.art, z.von,
           (SELECT count(*) FROM kartenzuordnung_stempelung b WHERE b.zuordnung_id = z.id)
      FROM kartenzuordnung z LEFT JOIN persbasis p ON p.firma = z.firma AND p.pnr = z.pnr
     WHERE btrim(z.karte) = COALESCE(NULLIF(btrim(p_karte), ''), btrim(z.karte))
       AND COALESCE(NULLIF(btrim(p_pnr), ''), z.pnr) IN (z.pnr, z.pnr_vorher)
       AND substr(z.am, 1, 8) = COALESCE(NULLIF(btrim(p_tag), ''), substr(z.am, 1, 8))
       AND (p_firma IS NULL OR z.firma = p_firma)
     ORDER BY z.id DESC LIMIT 1000;
END $$;

-- The server command's reads: a global node, null when it has no value.
CREATE OR REPLACE FUNCTION arbeitsplatz.globalwert(p_name text, p_subscripts text) RETURNS text
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN (SELECT g.value FROM globale g WHERE g.name = p_name AND g.subscripts = p_subscripts);
END $$;

-- Changes --------------------------------------------------------------------

-- Saves a server entry (the program's server list); the number of entries saved.
CREATE OR REPLACE FUNCTION arbeitsplatz.kassasw_speichern(p_id bigint, p_name text, p_firma text, p_fil text,
                                                          p_ip text, p_port text, p_namespace text,
                                                          p_type integer)
RETURNS integer LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    gespeichert integer;
BEGIN
    UPDATE kassasw s SET name = p_name, firma = p_firma, fil = p_fil, ip = p_ip, port = p_port,
                         namespace = p_namespace, type = p_type
     WHERE s.id = p_id;
    GET DIAGNOSTICS gespeichert = ROW_COUNT;
    RETURN gespeichert;
END $$;

-- Takes an open swipe off the list without booking it, noting who and from
-- which workstation context; one of another company than the workstation's
-- stays as it is.
CREATE OR REPLACE FUNCTION arbeitsplatz.stempelung_loeschen(p_id bigint, p_kontext_firma text, p_personal text,
                                                            p_kontext text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_id bigint := p_id;
    v_am text := intern.jetzt();
    v_von text := coalesce(p_personal, '');
    v_kontext text := coalesce(p_kontext, '');
    v_kontext_firma text := btrim(p_kontext_firma);
BEGIN
    {{markDone}};
END $$;

-- Makes the card the employee's card in the company and books the card's open
-- swipes to the employee, logged with the server context's PERSONAL.
-- p_inhaber_gesehen: the holder the caller saw (empty: nobody), null when the
-- caller does not know. The company as kept.
CREATE OR REPLACE FUNCTION arbeitsplatz.setkarte(p_firma text, p_pnr text, p_karte text, p_inhaber_gesehen text,
                                                 p_kontext_firma text, p_personal text)
RETURNS text LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := btrim(coalesce(p_firma, ''));
    v_pnr text := btrim(coalesce(p_pnr, ''));
    v_karte text := intern.kartenfeld(p_karte);
    v_von text := coalesce(p_personal, '');
    v_am text := intern.jetzt();
    v_vorher text := '';
    v_vorige bigint;
    v_art text;
    v_zuordnung bigint;
    v_umgebucht integer;
BEGIN
    IF p_karte ~ '[\x01-\x1f\x7f-\x9f]' THEN
        PERFORM intern.ablehnen('5301', 'Die Kartennummer enthält Steuerzeichen (Zeilenumbruch, Tabulator o. ä.)');
    END IF;
    IF v_karte = '' THEN
        PERFORM intern.ablehnen('5301', format('Ungültige Kartennummer "%s"', left(coalesce(p_karte, ''), 40)));
    END IF;
    PERFORM intern.firma_des_arbeitsplatzes(v_firma, p_kontext_firma);
    PERFORM intern.aktiven_mitarbeiter_pruefen(v_firma, v_pnr);
    -- A second workstation taking the same card waits here for the first one's
    -- transaction and then finds its holder.
    {{takeCard}};
    IF NOT FOUND THEN
        {{lockCard}} INTO v_vorher, v_vorige;
    END IF;
    IF v_vorher NOT IN ('', v_pnr) AND p_inhaber_gesehen IS NOT NULL AND v_vorher <> btrim(p_inhaber_gesehen) THEN
        PERFORM intern.ablehnen('5302', format('Karte %s gehört inzwischen Mitarbeiter %s', btrim(v_karte), v_vorher));
    END IF;
    v_art := CASE WHEN v_vorher IN ('', v_pnr) THEN 'Z' ELSE 'W' END;
    {{logAssignment}} INTO v_zuordnung;
    {{handOverCard}};
    -- Confirmed against the holder seen: what the assignment he held the card
    -- by booked from the list moves with the card; his own swipes stay.
    IF v_art = 'W' AND p_inhaber_gesehen IS NOT NULL AND v_vorige IS NOT NULL THEN
        {{takeOverListedSwipes}};
        v_umgebucht := 1;
        {{recordSwipes}};
    END IF;
    {{bookOpenSwipes}};
    v_umgebucht := 0;
    {{recordSwipes}};
    RETURN v_firma;
END $$;

-- Corrects a wrong assignment from the log: the card and every swipe the
-- wrong employee got by it go to the employee, logged as a correction (K).
-- Only users of group A may; only the assignment the card is held by.
CREATE OR REPLACE FUNCTION arbeitsplatz.korrigieren(p_id bigint, p_pnr text, p_kontext_firma text, p_personal text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_pnr text := btrim(coalesce(p_pnr, ''));
    v_von text := coalesce(p_personal, '');
    v_am text := intern.jetzt();
    v_art text := 'K';
    v_firma text;
    v_karte text;
    v_vorher text;
    v_vorige bigint := p_id;
    v_in_kraft bigint;
    v_zuordnung bigint;
    v_umgebucht integer := 1;
BEGIN
    -- Another company's entries are not there for this workstation.
    SELECT z.firma, z.karte, z.pnr, k.zuordnung_id INTO v_firma, v_karte, v_vorher, v_in_kraft
      FROM kartenzuordnung z JOIN karte k ON k.firma = z.firma AND k.karte = z.karte
     WHERE z.id = p_id AND (p_kontext_firma IS NULL OR z.firma = btrim(p_kontext_firma))
       FOR UPDATE OF k;
    IF NOT FOUND THEN
        PERFORM intern.ablehnen('5301', format('Zuordnung %s existiert nicht', p_id));
    END IF;
    IF coalesce(btrim((SELECT e.bergrp FROM parpersedv e WHERE e.firma = v_firma
                          AND e.code = translate(upper(btrim(v_von)), 'äöüßÄÖÜ§', '{|}~[\]õ'))), '') <> 'A' THEN
        PERFORM intern.ablehnen('5303', 'Zuordnungen korrigieren dürfen nur Benutzer der Gruppe A');
    END IF;
    IF v_in_kraft IS DISTINCT FROM p_id THEN
        PERFORM intern.ablehnen('5301', format('Die Karte %s wurde seither neu zugeordnet; bitte die Liste neu lesen',
                                               btrim(v_karte)));
    END IF;
    IF v_pnr = v_vorher THEN
        PERFORM intern.ablehnen('5301', format('Die Karte %s gehört bereits Mitarbeiter %s', btrim(v_karte), v_pnr));
    END IF;
    PERFORM intern.aktiven_mitarbeiter_pruefen(v_firma, v_pnr);
    {{logAssignment}} INTO v_zuordnung;
    {{handOverCard}};
    {{takeOverSwipes}};
    {{recordSwipes}};
END $$;

-- Made after the functions, so that none of them stays open to everybody.
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA public, arbeitsplatz, intern FROM PUBLIC;
