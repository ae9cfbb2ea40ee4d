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
-- These no longer hand out a password, or take back a given amount of rows.
DROP FUNCTION IF EXISTS arbeitsplatz.parpersedv(text, text);
DROP FUNCTION IF EXISTS arbeitsplatz.userviapasswort(text, text, text);
-- The list tells the company's count of new bookings with its rows.
DROP FUNCTION IF EXISTS arbeitsplatz.nopers_liste(text);
-- The login is looked up by intern.lesefirma alone.
DROP FUNCTION IF EXISTS intern.anmeldung();

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

-- Passwords -------------------------------------------------------------

-- A password is kept as the value the workstation derives from it, keyed
-- once more with a secret of this database (HMAC-SHA-256): a copy of the
-- table reveals nothing without the key, and only the owner reads the key.
-- Made once; the owner's pg_dump holds it.
CREATE TABLE IF NOT EXISTS intern.schluessel (
    einziger boolean PRIMARY KEY DEFAULT true CHECK (einziger),
    innen bytea NOT NULL,
    aussen bytea NOT NULL);

-- HMAC's inner and outer block: the key, padded to SHA-256's 64 bytes, XOR
-- 0x36 and XOR 0x5c.
DO $$
DECLARE
    v_block bytea := sha256(convert_to(gen_random_uuid()::text || gen_random_uuid()::text, 'UTF8'))
                     || decode(repeat('00', 32), 'hex');
    v_innen bytea := v_block;
    v_aussen bytea := v_block;
BEGIN
    IF EXISTS (SELECT 1 FROM intern.schluessel) THEN
        RETURN;
    END IF;
    FOR i IN 0 .. 63 LOOP
        v_innen := set_byte(v_innen, i, get_byte(v_block, i) # 54);
        v_aussen := set_byte(v_aussen, i, get_byte(v_block, i) # 92);
    END LOOP;
    INSERT INTO intern.schluessel (innen, aussen) VALUES (v_innen, v_aussen);
END $$;

CREATE OR REPLACE FUNCTION intern.passwort_schluesseln(p_abgeleitet text) RETURNS text
LANGUAGE sql STABLE SET search_path = pg_catalog, pg_temp AS $$
    SELECT encode(sha256(s.aussen || sha256(s.innen || convert_to(coalesce(p_abgeleitet, ''), 'UTF8'))), 'hex')
      FROM intern.schluessel s
$$;

-- Whoever writes a password (an import, the demo data, an upgrade) writes
-- the derived value; it is keyed here on its way in (the triggers come with
-- the schema version that keeps passwords so).
CREATE OR REPLACE FUNCTION intern.passwort_ankommend() RETURNS trigger
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    NEW.passwort := intern.passwort_schluesseln(NEW.passwort);
    RETURN NEW;
END $$;

-- Logins ----------------------------------------------------------------

-- A login belongs to the server's connection: a temporary table of the owner
-- ends with the connection (and with a pooler's DISCARD ALL), and the
-- workstations' role can neither read nor write it.
CREATE OR REPLACE FUNCTION intern.abmelden() RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF to_regclass('pg_temp.karven_anmeldung') IS NOT NULL THEN
        DELETE FROM pg_temp.karven_anmeldung;
    END IF;
END $$;

CREATE OR REPLACE FUNCTION intern.anmeldung_merken(p_firma text, p_fil text, p_code text) RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF to_regclass('pg_temp.karven_anmeldung') IS NULL THEN
        CREATE TEMPORARY TABLE karven_anmeldung (firma text NOT NULL, fil text NOT NULL, code text NOT NULL);
    END IF;
    DELETE FROM pg_temp.karven_anmeldung;
    INSERT INTO pg_temp.karven_anmeldung (firma, fil, code) VALUES (p_firma, p_fil, p_code);
END $$;

-- The owner's own tools (karven-admin, the clock service) work without a login.
CREATE OR REPLACE FUNCTION intern.eigentuemer() RETURNS boolean
LANGUAGE sql STABLE SET search_path = pg_catalog, pg_temp AS $$
    SELECT pg_has_role(session_user, n.nspowner, 'MEMBER') FROM pg_namespace n WHERE n.nspname = 'intern'
$$;

-- Without a login only they get anywhere.
CREATE OR REPLACE FUNCTION intern.nur_eigentuemer() RETURNS void
LANGUAGE plpgsql STABLE SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF NOT intern.eigentuemer() THEN
        PERFORM intern.ablehnen('5304', 'Nicht angemeldet: Daten der Firma gibt es erst nach der Anmeldung');
    END IF;
END $$;

-- The two helpers below run on every call. They have no search_path of their
-- own, since setting one costs each call as much as a table read: only the
-- owner's functions call them, which pin it (workstations have no right on
-- schema intern), and every table and helper in them is named with its
-- schema; built-ins come from pg_catalog, searched first in every path.

-- The company whose data a call works on: the logged-in user's, and nothing
-- ('') when another one is asked for. Without a login only the owner's tools
-- get anywhere, with the company they name (null: every one). Reads ask no
-- more than this; whether the user is still active is asked by every change
-- (intern.handelnder): a user made inactive since the login still sees the
-- company's lists but changes nothing. PL/pgSQL, whose plans last the
-- connection, and one plain read: every further statement or expression costs
-- each call.
CREATE OR REPLACE FUNCTION intern.lesefirma(p_firma text) RETURNS text
LANGUAGE plpgsql STABLE AS $$
DECLARE
    v_firma text;
BEGIN
    IF to_regclass('pg_temp.karven_anmeldung') IS NOT NULL THEN
        -- Without a variable in it, the read keeps one plan from its first
        -- call on; with one, PostgreSQL would plan each of the first five.
        SELECT a.firma INTO v_firma FROM pg_temp.karven_anmeldung a;
        IF FOUND THEN
            RETURN CASE WHEN p_firma IS NULL OR btrim(p_firma) = v_firma THEN v_firma ELSE '' END;
        END IF;
    END IF;
    PERFORM intern.nur_eigentuemer();
    RETURN btrim(p_firma);
END $$;

-- Who acts, never what a caller says of itself: the user logged in on this
-- connection, with the company, branch and code of the login, refused once
-- the user is no longer active. Only the owner's tools name a company (null:
-- every one) and an author themselves.
CREATE OR REPLACE FUNCTION intern.handelnder(p_firma text, p_von text, p_kontext text,
                                             OUT firma text, OUT von text, OUT code text, OUT kontext text)
LANGUAGE plpgsql STABLE AS $$
DECLARE
    v_fil text;
    v_aktiv text;
BEGIN
    firma := intern.lesefirma(NULL);
    IF firma IS NOT NULL THEN
        SELECT a.fil, a.code, e.aktiv INTO v_fil, code, v_aktiv
          FROM pg_temp.karven_anmeldung a
          LEFT JOIN public.parpersedv e ON e.firma = a.firma AND e.code = a.code;
        IF v_aktiv IS DISTINCT FROM 'J' THEN
            PERFORM intern.ablehnen('5304', 'Nicht angemeldet: der Benutzer ist nicht mehr aktiv');
        END IF;
        von := code;
        kontext := format('FIRMA=%s FIL=%s', firma, v_fil);
        RETURN;
    END IF;
    firma := btrim(p_firma);
    von := coalesce(p_von, '');
    code := translate(upper(btrim(von)), 'äöüßÄÖÜ§', '{|}~[\]õ');
    kontext := coalesce(p_kontext, '');
END $$;

-- Failed logins by client address and company: after 5 within 60 seconds the
-- pair waits 30 seconds from its last failure. Counted in a status, not an
-- error, so that the count is not rolled back with the call.
CREATE TABLE IF NOT EXISTS intern.anmeldefehler (
    adresse text NOT NULL,
    firma text NOT NULL,
    am timestamptz NOT NULL DEFAULT clock_timestamp());
CREATE INDEX IF NOT EXISTS anmeldefehler_wer ON intern.anmeldefehler (adresse, firma, am);

CREATE OR REPLACE FUNCTION intern.adresse() RETURNS text
LANGUAGE sql STABLE SET search_path = pg_catalog, pg_temp AS $$
    SELECT coalesce(host(inet_client_addr()), 'lokal')
$$;

CREATE OR REPLACE FUNCTION intern.anmeldung_gesperrt(p_adresse text, p_firma text) RETURNS boolean
LANGUAGE sql STABLE SET search_path = pg_catalog, pg_temp AS $$
    SELECT count(*) >= 5 AND max(f.am) > clock_timestamp() - interval '30 seconds'
      FROM intern.anmeldefehler f
     WHERE f.adresse = p_adresse AND f.firma = p_firma AND f.am > clock_timestamp() - interval '60 seconds'
$$;

CREATE OR REPLACE FUNCTION intern.fehlversuch(p_adresse text, p_firma text) RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    DELETE FROM intern.anmeldefehler f WHERE f.am < clock_timestamp() - interval '10 minutes';
    INSERT INTO intern.anmeldefehler (adresse, firma) VALUES (p_adresse, left(p_firma, 40));
END $$;

-- Logs the user in on this connection: the outcome as the login check
-- answers it ("gesperrt" after too many failures, "unbekannt" for no such
-- user) and, where the password was right, the user's records.
CREATE OR REPLACE FUNCTION arbeitsplatz.anmelden(p_firma text, p_fil text, p_code text, p_geheim text)
RETURNS TABLE (status text, pname text, pnr text, abtnr text, dw text, bergrp text, abtbez text,
               habtnr text, fax text, email text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := btrim(coalesce(p_firma, ''));
    v_code text := coalesce(p_code, '');
    v_geheim text := intern.passwort_schluesseln(p_geheim);
    v_adresse text := intern.adresse();
BEGIN
    -- A new login ends the one before, whatever its outcome.
    PERFORM intern.abmelden();
    IF intern.anmeldung_gesperrt(v_adresse, v_firma) THEN
        status := 'gesperrt';
        RETURN NEXT;
        RETURN;
    END IF;
    {{checkLogin}} INTO status, pname, pnr, abtnr, dw, bergrp, abtbez, habtnr, fax, email;
    IF NOT FOUND THEN
        status := 'unbekannt';
    END IF;
    -- An empty code follows a password that found no user: counted there.
    IF status = 'abgelehnt' OR (status = 'unbekannt' AND v_code <> '') THEN
        PERFORM intern.fehlversuch(v_adresse, v_firma);
    END IF;
    IF status IN ('abgelehnt', 'unbekannt') THEN
        SELECT NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL
          INTO pname, pnr, abtnr, dw, bergrp, abtbez, habtnr, fax, email;
    ELSIF status = 'angemeldet' THEN
        PERFORM intern.anmeldung_merken(v_firma, btrim(coalesce(p_fil, '')), v_code);
        -- The first check on a connection compiles it and plans its read:
        -- done here, so that every call after the login costs the same.
        PERFORM intern.lesefirma(v_firma);
    END IF;
    RETURN NEXT;
END $$;

-- Reading objects: the members the program reads, by key -------------------

CREATE OR REPLACE FUNCTION arbeitsplatz.schemaversion() RETURNS integer
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN (SELECT max(s.version) FROM schemaversion s);
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.parpersedv(p_firma text, p_code text)
RETURNS TABLE (aktiv text, pname text, pnr text, abtnr text, dw text, bergrp text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := intern.lesefirma(p_firma);
BEGIN
    RETURN QUERY SELECT e.aktiv, e.pname, e.pnr, e.abtnr, e.dw, e.bergrp
                   FROM parpersedv e WHERE e.firma = v_firma AND e.code = p_code;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.parpersabt(p_firma text, p_abtnr text)
RETURNS TABLE (abtbez text, abtnr text, habtnr text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := intern.lesefirma(p_firma);
BEGIN
    RETURN QUERY SELECT a.abtbez, a.abtnr, a.habtnr FROM parpersabt a
                  WHERE a.firma = v_firma AND a.abtnr = p_abtnr;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.persbasis(p_firma text, p_pnr text)
RETURNS TABLE (name text, vorname text, aktiv text, fax text, email text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := intern.lesefirma(p_firma);
BEGIN
    RETURN QUERY SELECT b.name, b.vorname, b.aktiv, b.fax, b.email FROM persbasis b
                  WHERE b.firma = v_firma AND b.pnr = p_pnr;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.stempelung(p_id bigint)
RETURNS TABLE (firma text, karte text, buchungstext text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := intern.lesefirma(NULL);
BEGIN
    RETURN QUERY SELECT s.firma, s.karte, s.buchungstext FROM stempelung s
                  WHERE s.id = p_id AND s.firma = coalesce(v_firma, s.firma);
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.kassasw(p_id bigint)
RETURNS TABLE (name text, firma text, fil text, ip text, port text, namespace text, type integer)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT s.name, s.firma, s.fil, s.ip, s.port, s.namespace, s.type FROM kassasw s
                  WHERE s.id = p_id;
END $$;

-- Queries --------------------------------------------------------------------

-- The users whose password derives to p_geheim. The third parameter is
-- reserved by the server and not evaluated. A password that finds nobody is
-- a failed login; none is looked up while logins are refused.
CREATE OR REPLACE FUNCTION arbeitsplatz.userviapasswort(p_geheim text, p_firma text, p_reserviert text)
RETURNS TABLE (code text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := btrim(coalesce(p_firma, ''));
    v_adresse text := intern.adresse();
BEGIN
    IF p_reserviert IS NULL OR intern.anmeldung_gesperrt(v_adresse, v_firma) THEN
        RETURN;
    END IF;
    RETURN QUERY SELECT e.code FROM parpersedv e
                  WHERE e.passwort = intern.passwort_schluesseln(p_geheim) AND e.firma = v_firma
                  ORDER BY e.code;
    IF NOT FOUND THEN
        PERFORM intern.fehlversuch(v_adresse, v_firma);
    END IF;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.listeaktiv(p_firma text)
RETURNS TABLE (pnr text, name text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := intern.lesefirma(p_firma);
BEGIN
    RETURN QUERY SELECT b.pnr, b.name || ', ' || b.vorname FROM persbasis b
                  WHERE b.firma = v_firma AND b.aktiv = 'J' ORDER BY b.name, b.vorname, b.pnr;
END $$;

-- New bookings told to the workstations ---------------------------------
--
-- Every statement that stores open swipes notes how many per company in
-- intern.meldung. A notice "firma;zaehler;letzte_id" goes out at most once an
-- interval per company: 50 ms while a workstation of the company waits with an
-- empty list, else once a second, for the hint "N neue Buchungen" of the
-- others; every listening connection of the database wakes up for each notice,
-- so fewer notices are what keeps a large site cheap. Whoever sends folds the
-- notes into intern.meldestand. Writers never wait for each other here: while
-- one transaction sends, the others' notes wait for the next notice, or for
-- the writer's own intern.nachmelden() at the end of its work.

CREATE TABLE IF NOT EXISTS intern.meldestand (
    firma text PRIMARY KEY,
    zaehler bigint NOT NULL DEFAULT 0, -- open swipes stored so far, as told
    letzte_id bigint NOT NULL DEFAULT 0,
    gemeldet_am timestamptz NOT NULL DEFAULT '-infinity');
CREATE TABLE IF NOT EXISTS intern.meldung (
    firma text NOT NULL,
    anzahl bigint NOT NULL,
    letzte_id bigint NOT NULL);
CREATE INDEX IF NOT EXISTS meldung_firma ON intern.meldung (firma);

-- A workstation that waits with an empty list holds its company's shared
-- advisory lock of this class for as long as it waits; it goes with its
-- connection.
CREATE OR REPLACE FUNCTION intern.warteschluessel(p_firma text, OUT klasse integer, OUT schluessel integer)
LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
    SELECT 53100, CASE WHEN p_firma ~ '^[0-9]{1,9}$' THEN p_firma::integer END
$$;

CREATE OR REPLACE FUNCTION intern.jemand_wartet(p_firma text) RETURNS boolean
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    k record := intern.warteschluessel(p_firma);
BEGIN
    IF k.schluessel IS NULL THEN
        RETURN false;
    END IF;
    -- Taken at once only when nobody holds it shared; given back at once.
    IF pg_try_advisory_lock(k.klasse, k.schluessel) THEN
        PERFORM pg_advisory_unlock(k.klasse, k.schluessel);
        RETURN false;
    END IF;
    RETURN true;
END $$;

-- Notes whether this connection's list of the company is empty. A lock that
-- is held by a writer at this moment is tried again at the next read.
CREATE OR REPLACE FUNCTION intern.warten(p_firma text, p_leer boolean) RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    v_wartet text := coalesce(current_setting('karven.wartet', true), '');
    k record;
BEGIN
    IF v_wartet <> '' AND (NOT p_leer OR v_wartet <> coalesce(p_firma, '')) THEN
        k := intern.warteschluessel(v_wartet);
        PERFORM pg_advisory_unlock_shared(k.klasse, k.schluessel);
        PERFORM set_config('karven.wartet', '', false);
        v_wartet := '';
    END IF;
    k := intern.warteschluessel(p_firma);
    IF p_leer AND v_wartet = '' AND k.schluessel IS NOT NULL
       AND pg_try_advisory_lock_shared(k.klasse, k.schluessel) THEN
        PERFORM set_config('karven.wartet', p_firma, false);
    END IF;
END $$;

-- Sends the company's notice when this transaction may: nobody else is
-- sending, and the interval since the last one is over (p_nachzuegler: at the
-- end of a writer's work, at once, waiting for a sender).
CREATE OR REPLACE FUNCTION intern.melden(p_firma text, p_nachzuegler boolean) RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    v_gemeldet timestamptz;
    v_stand intern.meldestand;
BEGIN
    IF NOT EXISTS (SELECT 1 FROM intern.meldestand m WHERE m.firma = p_firma) THEN
        INSERT INTO intern.meldestand (firma) VALUES (p_firma) ON CONFLICT DO NOTHING;
    END IF;
    IF p_nachzuegler THEN
        SELECT m.gemeldet_am INTO v_gemeldet FROM intern.meldestand m WHERE m.firma = p_firma FOR UPDATE;
    ELSE
        SELECT m.gemeldet_am INTO v_gemeldet FROM intern.meldestand m WHERE m.firma = p_firma
           FOR UPDATE SKIP LOCKED;
        IF NOT FOUND OR v_gemeldet > clock_timestamp() - interval '50 ms'
           OR (v_gemeldet > clock_timestamp() - interval '1 s' AND NOT intern.jemand_wartet(p_firma)) THEN
            RETURN;
        END IF;
    END IF;
    WITH gemeldet AS (DELETE FROM intern.meldung n WHERE n.firma = p_firma RETURNING n.anzahl, n.letzte_id)
    UPDATE intern.meldestand m
       SET zaehler = m.zaehler + g.anzahl, letzte_id = greatest(m.letzte_id, g.letzte_id),
           gemeldet_am = clock_timestamp()
      FROM (SELECT sum(anzahl) AS anzahl, max(letzte_id) AS letzte_id FROM gemeldet) g
     WHERE m.firma = p_firma AND g.anzahl IS NOT NULL
    RETURNING m.* INTO v_stand;
    IF FOUND THEN
        PERFORM pg_notify('karven_nopers', format('%s;%s;%s', v_stand.firma, v_stand.zaehler, v_stand.letzte_id));
    END IF;
END $$;

-- The statement trigger of stempelung: its new open swipes, by company.
CREATE OR REPLACE FUNCTION intern.neue_buchungen() RETURNS trigger
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    INSERT INTO intern.meldung (firma, anzahl, letzte_id)
    SELECT n.firma, count(*), max(n.id) FROM neu n WHERE n.pnr IS NULL AND n.erledigt_am IS NULL GROUP BY n.firma;
    RETURN NULL;
END $$;

-- At the commit of a transaction that noted new swipes, once per company: a
-- notice sent earlier in the transaction would tell less than it stores.
CREATE OR REPLACE FUNCTION intern.meldung_faellig() RETURNS trigger
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    v_erledigt text := coalesce(current_setting('karven.gemeldet', true), '');
BEGIN
    IF position(';' || NEW.firma || ';' IN v_erledigt) = 0 THEN
        PERFORM set_config('karven.gemeldet', v_erledigt || ';' || NEW.firma || ';', true);
        PERFORM intern.melden(NEW.firma, false);
    END IF;
    RETURN NULL;
END $$;
DROP TRIGGER IF EXISTS meldung_faellig ON intern.meldung;
CREATE CONSTRAINT TRIGGER meldung_faellig AFTER INSERT ON intern.meldung DEFERRABLE INITIALLY DEFERRED
    FOR EACH ROW EXECUTE FUNCTION intern.meldung_faellig();

-- What a writer's notes still wait for: sent now, for every company.
CREATE OR REPLACE FUNCTION intern.nachmelden() RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    v_firma text;
BEGIN
    FOR v_firma IN SELECT DISTINCT n.firma FROM intern.meldung n ORDER BY 1 LOOP
        PERFORM intern.melden(v_firma, true);
    END LOOP;
END $$;

-- The company's count of open swipes as told, with those not yet told: the
-- state a list read shows, against which a notice's count is compared.
CREATE OR REPLACE FUNCTION intern.buchungsstand(p_firma text) RETURNS bigint
LANGUAGE sql STABLE SET search_path = pg_catalog, pg_temp AS $$
    SELECT coalesce((SELECT m.zaehler FROM intern.meldestand m WHERE m.firma = p_firma), 0)
         + coalesce((SELECT sum(n.anzahl) FROM intern.meldung n WHERE n.firma = p_firma), 0)::bigint
$$;

-- The open swipes of the company, or all of them without one (the owner's
-- tools). Two statements, so that each keeps its own plan on the partial indexes.
CREATE OR REPLACE FUNCTION arbeitsplatz.nopers_liste(p_firma text)
RETURNS TABLE (id bigint, buchungstext text, stand bigint)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := intern.lesefirma(p_firma);
    v_zeilen bigint;
BEGIN
    IF v_firma IS NULL THEN
        RETURN QUERY SELECT s.id, s.buchungstext, NULL::bigint FROM stempelung s
                      WHERE s.pnr IS NULL AND s.erledigt_am IS NULL ORDER BY s.id;
        RETURN;
    END IF;
    -- One statement, so that the rows and the count come from one moment;
    -- the count once, not for every row.
    RETURN QUERY WITH b AS MATERIALIZED (SELECT intern.buchungsstand(v_firma) AS stand)
                 SELECT s.id, s.buchungstext, b.stand FROM stempelung s, b
                  WHERE s.pnr IS NULL AND s.erledigt_am IS NULL AND s.firma = v_firma ORDER BY s.id;
    GET DIAGNOSTICS v_zeilen = ROW_COUNT;
    PERFORM intern.warten(v_firma, v_zeilen = 0);
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.nopers_anzahlneu(p_nach bigint, p_firma text) RETURNS bigint
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := intern.lesefirma(p_firma);
BEGIN
    IF v_firma IS NULL THEN
        RETURN (SELECT count(*) FROM stempelung s WHERE s.pnr IS NULL AND s.erledigt_am IS NULL AND s.id > p_nach);
    END IF;
    RETURN (SELECT count(*) FROM stempelung s
             WHERE s.pnr IS NULL AND s.erledigt_am IS NULL AND s.id > p_nach AND s.firma = v_firma);
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.karteninhaber(p_firma text, p_karte text)
RETURNS TABLE (pnr text, name text, von text, am text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := intern.lesefirma(btrim(p_firma));
BEGIN
    RETURN QUERY SELECT k.pnr, COALESCE(p.name || ', ' || p.vorname, ''), k.zugeordnet_von, k.zugeordnet_am
                   FROM karte k LEFT JOIN persbasis p ON p.firma = k.firma AND p.pnr = k.pnr
                  WHERE k.firma = v_firma AND btrim(k.karte) = btrim(p_karte);
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
DECLARE
    v_firma text := intern.lesefirma(btrim(p_firma));
BEGIN
    RETURN QUERY SELECT s.fil, s.name FROM kassasw s
                  WHERE s.firma = v_firma AND s.type = 0 ORDER BY s.id;
END $$;

-- The assignment log newest first, the last 1000; an empty card, employee or
-- day matches any, a null company (the owner's tools) every company.
CREATE OR REPLACE FUNCTION arbeitsplatz.zuordnungen(p_karte text, p_pnr text, p_tag text, p_firma text)
RETURNS TABLE (id bigint, am text, karte text, pnr_vorher text, pnr text, name text, art text, von text,
               buchungen bigint)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := intern.lesefirma(p_firma);
BEGIN
    RETURN QUERY
    SELECT z.id, z.am, z.karte, z.pnr_vorher, z.pnr, COALESCE(p.name || ', ' || p.vorname, ''), z.art, z.von,
           (SELECT count(*) FROM kartenzuordnung_stempelung b WHERE b.zuordnung_id = z.id)
      FROM kartenzuordnung z LEFT JOIN persbasis p ON p.firma = z.firma AND p.pnr = z.pnr
     WHERE btrim(z.karte) = COALESCE(NULLIF(btrim(p_karte), ''), btrim(z.karte))
       AND COALESCE(NULLIF(btrim(p_pnr), ''), z.pnr) IN (z.pnr, z.pnr_vorher)
       AND substr(z.am, 1, 8) = COALESCE(NULLIF(btrim(p_tag), ''), substr(z.am, 1, 8))
       AND (v_firma IS NULL OR z.firma = v_firma)
     ORDER BY z.id DESC LIMIT 1000;
END $$;

-- The server command's reads: a global node, null when it has no value.
CREATE OR REPLACE FUNCTION arbeitsplatz.globalwert(p_name text, p_subscripts text) RETURNS text
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN (SELECT g.value FROM globale g WHERE g.name = p_name AND g.subscripts = p_subscripts);
END $$;

-- Changes --------------------------------------------------------------------

-- A company number as kept ("01" is 1); null for anything else.
CREATE OR REPLACE FUNCTION intern.firmennummer(p_text text) RETURNS text
LANGUAGE sql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
    SELECT CASE WHEN btrim(p_text) !~ '^[0-9]{1,4}$' THEN NULL
                WHEN btrim(p_text)::integer BETWEEN 1 AND 9999 THEN btrim(p_text)::integer::text END
$$;

-- Saves a server entry (the program's server list); the number of entries
-- saved. Only a logged-in user, only an entry of the user's company and of
-- type 0, and only one a workstation can use: the checks of
-- "karven-admin server". Each change is logged with who, when, before and after.
CREATE OR REPLACE FUNCTION arbeitsplatz.kassasw_speichern(p_id bigint, p_name text, p_firma text, p_fil text,
                                                          p_ip text, p_port text, p_namespace text,
                                                          p_type integer)
RETURNS integer LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text;
    v_von text;
    v_vorher kassasw;
    v_name text := btrim(coalesce(p_name, ''));
    v_neue_firma text := intern.firmennummer(p_firma);
    v_ip text := btrim(coalesce(p_ip, ''));
    v_port text := btrim(coalesce(p_port, ''));
    v_namespace text := btrim(coalesce(p_namespace, ''));
BEGIN
    IF to_regclass('pg_temp.karven_anmeldung') IS NULL AND NOT intern.eigentuemer() THEN
        PERFORM intern.ablehnen('5304', 'Servereinträge werden erst nach der Anmeldung gespeichert; '
                                        'der Administrator pflegt sie mit "karven-admin server"');
    END IF;
    SELECT h.firma, h.von INTO v_firma, v_von FROM intern.handelnder(NULL, NULL, NULL) h;
    SELECT * INTO v_vorher FROM kassasw s WHERE s.id = p_id FOR UPDATE;
    IF NOT FOUND THEN
        RETURN 0;
    END IF;
    IF v_firma IS NOT NULL AND (v_vorher.firma <> v_firma OR v_neue_firma IS DISTINCT FROM v_firma) THEN
        PERFORM intern.ablehnen('5306', format('Servereinträge anderer Firmen als %s ändert nur der Administrator',
                                               v_firma));
    END IF;
    IF p_type IS DISTINCT FROM 0 THEN
        PERFORM intern.ablehnen('5306', 'Am Arbeitsplatz werden nur Servereinträge der Art 0 gespeichert');
    END IF;
    IF length(v_name) NOT BETWEEN 1 AND 60 THEN
        PERFORM intern.ablehnen('5306', 'Der Name muss 1 bis 60 Zeichen lang sein');
    END IF;
    IF strpos(v_name, ';') > 0 THEN
        PERFORM intern.ablehnen('5306', format('Der Name „%s“ darf kein „;“ enthalten', v_name));
    END IF;
    IF v_neue_firma IS NULL THEN
        PERFORM intern.ablehnen('5306', format('Firma „%s“ ist keine Firmennummer von 1 bis 9999',
                                               left(coalesce(p_firma, ''), 40)));
    END IF;
    IF coalesce(btrim(p_fil), '') !~ '^[0-9]{1,3}$' THEN
        PERFORM intern.ablehnen('5306', format('Filiale „%s“ ist keine Filialnummer von 0 bis 999',
                                               left(coalesce(p_fil, ''), 40)));
    END IF;
    IF v_ip !~ '^[^][[:space:]]+$'
       OR NOT (CASE WHEN v_port ~ '^[0-9]{1,5}$' THEN v_port::integer BETWEEN 1 AND 65535 ELSE false END)
       OR v_namespace !~ '^[A-Za-z%][A-Za-z0-9_%]{0,62}$' THEN
        PERFORM intern.ablehnen('5306', format('Server „%s“, Port „%s“ und Namespace „%s“ ergeben keine gültige '
                                               'Verbindung (Server ohne Leerzeichen, Port 1 bis 65535, Namespace '
                                               'ein Buchstabe, dann Buchstaben, Ziffern und _)',
                                               left(v_ip, 60), left(v_port, 10), left(v_namespace, 60)));
    END IF;
    UPDATE kassasw s SET name = v_name, firma = v_neue_firma, fil = btrim(p_fil), ip = v_ip, port = v_port,
                         namespace = v_namespace, type = 0
     WHERE s.id = p_id;
    INSERT INTO kassasw_protokoll (am, von, eintrag, vorher, nachher)
    VALUES (intern.jetzt(), v_von, p_id,
            concat_ws(';', v_vorher.name, v_vorher.firma, v_vorher.fil, v_vorher.ip, v_vorher.port,
                      v_vorher.namespace, v_vorher.type),
            concat_ws(';', v_name, v_neue_firma, btrim(p_fil), v_ip, v_port, v_namespace, 0));
    RETURN 1;
END $$;

-- Takes an open swipe off the list without booking it, noting who and from
-- which login; one of another company than the user's stays as it is. The
-- company, author and context given count for the owner's tools only.
CREATE OR REPLACE FUNCTION arbeitsplatz.stempelung_loeschen(p_id bigint, p_kontext_firma text, p_personal text,
                                                            p_kontext text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_id bigint := p_id;
    v_am text := intern.jetzt();
    v_von text;
    v_kontext text;
    v_kontext_firma text;
BEGIN
    SELECT h.firma, h.von, h.kontext INTO v_kontext_firma, v_von, v_kontext
      FROM intern.handelnder(p_kontext_firma, p_personal, p_kontext) h;
    {{markDone}};
END $$;

-- Makes the card the employee's card in the company and books the card's open
-- swipes to the employee, logged with the logged-in user's code (the owner's
-- tools: the company and author they name).
-- p_inhaber_gesehen: the holder the caller saw (empty: nobody), null when the
-- caller does not know. The company as kept.
CREATE OR REPLACE FUNCTION arbeitsplatz.setkarte(p_firma text, p_pnr text, p_karte text, p_inhaber_gesehen text,
                                                 p_kontext_firma text, p_personal text)
RETURNS text LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := btrim(coalesce(p_firma, ''));
    v_pnr text := btrim(coalesce(p_pnr, ''));
    v_karte text := intern.kartenfeld(p_karte);
    v_von text;
    v_kontext_firma text;
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
    SELECT h.firma, h.von INTO v_kontext_firma, v_von FROM intern.handelnder(p_kontext_firma, p_personal, NULL) h;
    PERFORM intern.firma_des_arbeitsplatzes(v_firma, v_kontext_firma);
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
-- Only active users of group A may; only the assignment the card is held by.
CREATE OR REPLACE FUNCTION arbeitsplatz.korrigieren(p_id bigint, p_pnr text, p_kontext_firma text, p_personal text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_pnr text := btrim(coalesce(p_pnr, ''));
    v_von text;
    v_code text;
    v_kontext_firma text;
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
    SELECT h.firma, h.von, h.code INTO v_kontext_firma, v_von, v_code
      FROM intern.handelnder(p_kontext_firma, p_personal, NULL) h;
    -- Another company's entries are not there for this workstation.
    SELECT z.firma, z.karte, z.pnr, k.zuordnung_id INTO v_firma, v_karte, v_vorher, v_in_kraft
      FROM kartenzuordnung z JOIN karte k ON k.firma = z.firma AND k.karte = z.karte
     WHERE z.id = p_id AND (v_kontext_firma IS NULL OR z.firma = v_kontext_firma)
       FOR UPDATE OF k;
    IF NOT FOUND THEN
        PERFORM intern.ablehnen('5301', format('Zuordnung %s existiert nicht', p_id));
    END IF;
    IF NOT EXISTS (SELECT 1 FROM parpersedv e WHERE e.firma = v_firma AND e.code = v_code
                      AND btrim(e.bergrp) = 'A' AND e.aktiv = 'J') THEN
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
